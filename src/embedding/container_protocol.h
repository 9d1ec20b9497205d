// The container protocol: how a container (a word processor) has the editor edit one of its
// equations. The container writes the font of its text to the exchange store and starts
//   kalvane --embedding OBJECT.kv3
// The editor says "Running" = 1 in the store while it serves the object. When the user returns
// to the document, the object's document file is written, its pictures beside it (OBJECT.wmf
// and OBJECT.svg, both carrying the equation) with the baseline hint in the store, and the
// program ends with kExitUpdated; when the user cancels, nothing of the object changes and the
// program ends with kExitCancelled.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "embedding/server_item.h"

namespace kv {

class ConfigStore;
class FontCatalog;
class KLV300Doc;

// The exit statuses a container reads.
inline constexpr int kExitUpdated = 0;
inline constexpr int kExitCancelled = 3;

inline constexpr std::string_view kControlSection = "Control";
inline constexpr std::string_view kRunningKey = "Running";

// The files of one embedded object: the document and, beside it with the same name, its
// pictures.
struct ObjectFiles {
  std::filesystem::path document;
  std::filesystem::path metafile;
  std::filesystem::path svg;
};
ObjectFiles ObjectFilesOf(const std::filesystem::path& document);

// "Running" = 1: the editor serves a container from now on. Saves the store; false, with
// `error` for a person, when it cannot be saved.
bool MarkRunning(ConfigStore& exchangeStore, std::string& error);

// "Running" = 0 and the word processor's font forgotten ("No Font"), so that no later start
// takes a stale font or believes the editor still runs. Saves the store as MarkRunning does.
bool MarkReturned(ConfigStore& exchangeStore, std::string& error);

// What UpdateObject did.
struct ObjectUpdate {
  bool written = false;
  std::string error;         // why the object could not be written, when it was not
  ContainerPicture picture;  // the metafile, its extent and its hint, when it was
};

// Writes `document` into the object's document file and its pictures beside it, each replacing
// its file only once complete, with the hint saved in the store after each rendering. Nothing
// is written when a picture cannot be made; a failed write leaves that file as it was.
ObjectUpdate UpdateObject(KLV300Doc& document, FontCatalog& fonts, ConfigStore& exchangeStore,
                          const ObjectFiles& files);

}  // namespace kv
