// Pictures built by hand and readers of their structure written from the formats' rules, for
// checking pictures without the code under test: PNG chunks (CRCs by zlib), metafile records,
// and the programs that open pictures.
#pragma once

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace kv::test {

inline bool HaveProgram(const std::string& name) {
  return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

inline std::uint32_t ZlibCrc(std::string_view bytes) {
  return static_cast<std::uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

inline void PutBe32(std::string& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8)
    out += static_cast<char>(value >> shift);
}
inline void PutLe(std::string& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i)
    out += static_cast<char>(value >> (8 * i));
}
inline std::uint32_t GetLe(std::string_view bytes, std::size_t at, int size) {
  std::uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i)
    value = value << 8 | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
  return value;
}

inline std::string PngChunk(std::string_view type, std::string_view data) {
  std::string chunk;
  PutBe32(chunk, static_cast<std::uint32_t>(data.size()));
  chunk += type;
  chunk += data;
  PutBe32(chunk, ZlibCrc(std::string(type) + std::string(data)));
  return chunk;
}

// A one-pixel grey PNG with a physical size chunk before its image data.
inline std::string MinimalPng() {
  std::string header;
  PutBe32(header, 1);
  PutBe32(header, 1);
  header += std::string("\x08\x00\x00\x00\x00", 5);  // 8-bit grey, no interlace
  const Bytef row[] = {0, 0x80};                     // filter byte, pixel
  Bytef packed[64];
  uLongf packedSize = sizeof packed;
  compress(packed, &packedSize, row, sizeof row);
  std::string physical;
  PutBe32(physical, 3780);
  PutBe32(physical, 3780);
  physical += '\x01';
  return std::string("\x89PNG\r\n\x1A\n", 8) + PngChunk("IHDR", header) +
         PngChunk("pHYs", physical) +
         PngChunk("IDAT", std::string(reinterpret_cast<const char*>(packed), packedSize)) +
         PngChunk("IEND", "");
}

struct PngChunkView {
  std::string type;
  std::string data;
};

// The chunks of a PNG; the test fails unless IHDR comes first, IEND last and every CRC matches.
inline std::vector<PngChunkView> PngChunks(std::string_view png) {
  std::vector<PngChunkView> chunks;
  EXPECT_EQ(png.substr(0, 8), std::string_view("\x89PNG\r\n\x1A\n", 8));
  for (std::size_t at = 8; at < png.size();) {
    if (png.size() - at < 12) {
      ADD_FAILURE() << "a chunk is cut short at " << at;
      break;
    }
    std::uint32_t length = 0;
    for (int i = 0; i < 4; ++i)
      length = length << 8 | static_cast<unsigned char>(png[at + static_cast<std::size_t>(i)]);
    if (length > png.size() - at - 12) {
      ADD_FAILURE() << "a chunk at " << at << " runs past the end";
      break;
    }
    const std::string_view typeAndData = png.substr(at + 4, 4 + length);
    std::uint32_t crc = 0;
    for (int i = 0; i < 4; ++i)
      crc =
          crc << 8 | static_cast<unsigned char>(png[at + 8 + length + static_cast<std::size_t>(i)]);
    EXPECT_EQ(crc, ZlibCrc(typeAndData)) << "chunk " << typeAndData.substr(0, 4);
    chunks.push_back({std::string(typeAndData.substr(0, 4)), std::string(typeAndData.substr(4))});
    at += 12 + length;
  }
  EXPECT_TRUE(!chunks.empty() && chunks.front().type == "IHDR");
  EXPECT_TRUE(!chunks.empty() && chunks.back().type == "IEND");
  return chunks;
}

// A placeable metafile drawing one line: a window of 1000 x 1000 units at 1440 to the inch.
inline std::string MinimalWmf() {
  std::string wmf;
  PutLe(wmf, 0x9AC6CDD7, 4);
  for (const std::uint32_t word : {0u, 0u, 0u, 1000u, 1000u, 1440u, 0u, 0u})
    PutLe(wmf, word, 2);
  std::uint16_t checksum = 0;
  for (std::size_t at = 0; at < 20; at += 2)
    checksum ^= static_cast<std::uint16_t>(GetLe(wmf, at, 2));
  PutLe(wmf, checksum, 2);
  const auto record = [](std::uint16_t function, std::vector<std::uint16_t> parameters) {
    std::string out;
    PutLe(out, static_cast<std::uint32_t>(3 + parameters.size()), 4);
    PutLe(out, function, 2);
    for (const std::uint16_t parameter : parameters)
      PutLe(out, parameter, 2);
    return out;
  };
  const std::string records = record(0x020B, {0, 0}) + record(0x020C, {1000, 1000}) +
                              record(0x0214, {100, 100}) + record(0x0213, {900, 900}) +
                              record(0x0000, {});
  PutLe(wmf, 1, 2);       // in memory
  PutLe(wmf, 9, 2);       // header words
  PutLe(wmf, 0x0300, 2);  // version
  PutLe(wmf, static_cast<std::uint32_t>(9 + records.size() / 2), 4);
  PutLe(wmf, 0, 2);  // objects
  PutLe(wmf, 5, 4);  // largest record
  PutLe(wmf, 0, 2);
  return wmf + records;
}

// The width and height a placeable metafile's header gives its picture, in 0.01 mm.
inline std::pair<int, int> PlaceableWmfSize(std::string_view wmf) {
  const auto coordinate = [&wmf](std::size_t at) {
    return static_cast<std::int16_t>(GetLe(wmf, at, 2));
  };
  const int perInch = static_cast<int>(GetLe(wmf, 14, 2));
  return {(coordinate(10) - coordinate(6)) * 2540 / perInch,
          (coordinate(12) - coordinate(8)) * 2540 / perInch};
}

struct WmfRecordView {
  std::uint32_t words = 0;
  std::uint16_t function = 0;
  std::string parameters;
};

// The records of a placeable metafile; the test fails unless they fill the file up to META_EOF
// and the header's size and largest record agree with them.
inline std::vector<WmfRecordView> WmfRecords(std::string_view wmf) {
  std::vector<WmfRecordView> records;
  if (wmf.size() < 40 || GetLe(wmf, 0, 4) != 0x9AC6CDD7) {
    ADD_FAILURE() << "no placeable metafile header";
    return records;
  }
  std::uint32_t total = 9;
  std::uint32_t largest = 0;
  for (std::size_t at = 40; at < wmf.size();) {
    const std::uint32_t words = GetLe(wmf, at, 4);
    if (words < 3 || words > (wmf.size() - at) / 2) {
      ADD_FAILURE() << "the record at " << at << " is " << words << " words long";
      break;
    }
    records.push_back({words, static_cast<std::uint16_t>(GetLe(wmf, at + 4, 2)),
                       std::string(wmf.substr(at + 6, 2 * words - 6))});
    total += words;
    largest = std::max(largest, words);
    at += 2 * words;
  }
  EXPECT_TRUE(!records.empty() && records.back().function == 0 && records.back().words == 3);
  EXPECT_EQ(GetLe(wmf, 28, 4), total);
  EXPECT_EQ(GetLe(wmf, 34, 4), largest);
  return records;
}

}  // namespace kv::test
