// kalvane-cli render: typeset an equation (text or a .kv3 document) into a PNG, SVG, PDF or WMF
// picture, or a whole list of equations into one picture each (--batch).
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "base/c_number.h"
#include "cli/arguments.h"
#include "cli/background_saver.h"
#include "cli/commands.h"
#include "cli/markup_output.h"
#include "document/document.h"
#include "embedding/equation_picture.h"
#include "embedding/server_item.h"
#include "options/config_store.h"
#include "render/cairo_surface.h"
#include "render/font_catalog.h"
#include "render/font_surface.h"
#include "render/picture.h"

namespace kv::cli {
namespace {

constexpr const char* kSynopsis =
    "render TEXT|FILE.kv3 -o FILE   typeset TEXT or a document into a PNG, SVG, PDF or WMF picture";

constexpr const char* kHelp =
    "Usage: kalvane-cli render TEXT -o FILE [--format png|svg|pdf|wmf] [--dpi N]\n"
    "                          [--background COLOUR|transparent] [--metrics real|fixed]\n"
    "                          [--options FILE.ini]... [--set KEY=VALUE]...\n"
    "       kalvane-cli render FILE.kv3 -o FILE [...]     (or -i FILE.kv3)\n"
    "       kalvane-cli render FILE.kv3 -o FILE --container [...]\n"
    "       kalvane-cli render --batch LIST --out-dir DIR [--format ...] [...]\n"
    "       kalvane-cli render --batch LIST --out-dir DIR --format mml|tex\n"
    "                          [--style plain|kalvane] [--invisible-times] [...]\n"
    "\n"
    "Typesets TEXT (a line break separates equation lines) and writes the picture at true size,\n"
    "its top-left corner at the top-left corner of the equation. A document is drawn with its\n"
    "own settings. SVG, PNG and WMF pictures carry the equation (its document, its text and\n"
    "the depth of its baseline): kalvane-cli info PICTURE shows it. Such a picture may be\n"
    "given in place of FILE.kv3 (with -i, or as an existing .svg, .png or .wmf file): its\n"
    "equation is drawn again.\n"
    "\n"
    "With --container, the picture is the one a word processor places on its text line: the\n"
    "equation with empty space below it that puts a whole number of points below its\n"
    "baseline. The baseline hint (the thousandths of the picture's height below the\n"
    "baseline) is saved as Amount in section [Lowering Hint] of the exchange file\n"
    "$XDG_CONFIG_HOME/Morvak/KLV3ADJ.ini, and one line tells the picture's size in 0.01 mm\n"
    "and the hint: width=W height=H lowering=AMOUNT\n"
    "\n"
    "With --batch, every line of LIST is one equation (a literal \\n separates its lines, and a\n"
    "line naming an existing .kv3 file renders that document); picture N of DIR is line N of\n"
    "LIST. A line that fails is reported with its number and the others are still rendered;\n"
    "the exit status is then 1. With --format mml or tex, file N is the equation's MathML\n"
    "(N.mml, after the XML declaration) or LaTeX (N.tex), as kalvane-cli convert writes them\n"
    "with --style and --invisible-times.\n"
    "\n"
    "Options:\n"
    "  -o, --output FILE   the picture to write\n"
    "  --format F          png, svg, pdf or wmf (default: the output's extension; png for\n"
    "                      --batch); with --batch also mml or tex\n"
    "  --dpi N             PNG resolution in pixels per inch (default 96)\n"
    "  --background C      transparent (the default), white, black or #RRGGBB\n"
    "  --metrics fixed     lay the picture out with fixed metrics, as measure --metrics fixed\n"
    "                      does (a font of height S is S high, each character S/2 wide), and\n"
    "                      draw each glyph of the real font at the start of its cell\n"
    "  --metrics real      lay it out with the real fonts' metrics (the default)\n"
    "  --container         make the word processor's picture and its baseline hint\n"
    "  --options FILE.ini  read the settings of the section [Options] of FILE.ini first\n"
    "  --set KEY=VALUE     change a setting or feature switch (repeatable)\n"
    "  --                  end of options: a TEXT that begins with '-' follows\n";

constexpr double kDefaultDpi = 96.0;
// Progress is redrawn every this many equations.
constexpr int kProgressEvery = 64;
constexpr int kProgressBarWidth = 40;
constexpr int kExitSomeFailed = 1;

// The markup options mean nothing to a picture.
void RefuseMarkupOptions(const Arguments& arguments) {
  if (arguments.Value("--style") || arguments.Has("--invisible-times")) {
    throw CliError("--style and --invisible-times are for --batch with --format mml or tex");
  }
}

PictureFormat FormatNamed(const std::string& name) {
  const std::string lowered = LowerAscii(name);
  if (lowered == "png") return PictureFormat::kPng;
  if (lowered == "svg") return PictureFormat::kSvg;
  if (lowered == "pdf") return PictureFormat::kPdf;
  if (lowered == "wmf") return PictureFormat::kWmf;
  if (lowered == "mml" || lowered == "tex") {
    throw CliError("--format " + lowered +
                   " makes markup with --batch only; kalvane-cli convert writes one equation's "
                   "MathML or LaTeX");
  }
  throw CliError("--format takes png, svg, pdf or wmf (with --batch also mml or tex), not \"" +
                 name + "\"");
}

std::string_view ExtensionOf(PictureFormat format) {
  switch (format) {
    case PictureFormat::kSvg:
      return ".svg";
    case PictureFormat::kPdf:
      return ".pdf";
    case PictureFormat::kWmf:
      return ".wmf";
    case PictureFormat::kPng:
      break;
  }
  return ".png";
}

PictureFormat FormatFor(const Arguments& arguments, const std::filesystem::path& output) {
  if (const auto format = arguments.Value("--format")) return FormatNamed(*format);
  const std::string extension = LowerAscii(output.extension().string());
  if (extension.empty()) return PictureFormat::kPng;
  return FormatNamed(extension.substr(1));
}

// 0x00BBGGRR from "#RRGGBB", "white" or "black"; nothing for "transparent".
std::optional<ColorRef> BackgroundFrom(const Arguments& arguments) {
  const std::string given = arguments.Value("--background").value_or("transparent");
  const std::string name = LowerAscii(given);
  if (name == "transparent") return std::nullopt;
  if (name == "white") return ColorRef{0x00FFFFFF};
  if (name == "black") return ColorRef{0};
  constexpr std::size_t kHexLength = 7;
  if (name.size() == kHexLength && name.front() == '#' &&
      name.find_first_not_of("0123456789abcdef", 1) == std::string::npos) {
    const unsigned long rgb = std::stoul(name.substr(1), nullptr, 16);
    const ColorRef red = (rgb >> 16) & 0xFF;
    const ColorRef green = (rgb >> 8) & 0xFF;
    const ColorRef blue = rgb & 0xFF;
    return red | (green << 8) | (blue << 16);
  }
  throw CliError("--background takes transparent, white, black or #RRGGBB, not \"" + given + "\"");
}

double DpiFrom(const Arguments& arguments) {
  const auto given = arguments.Value("--dpi");
  if (!given) return kDefaultDpi;
  std::size_t consumed = 0;
  const double dpi = CStrtod(*given, &consumed);
  if (consumed == 0 || consumed != given->size() || !(dpi >= CairoSurface::kMinimumDpi) ||
      dpi > CairoSurface::kMaximumDpi) {
    throw CliError("--dpi takes a resolution from 1 to 10000, not \"" + *given + "\"");
  }
  return dpi;
}

// What a run keeps from one picture to the next: the fonts, and the settings equations take.
struct Renderer {
  FontCatalog catalog;
  EquationSettings settings;
  PictureOptions options;

  // The document's lines drawn into a picture of their extent. `output` only names the picture
  // in the message of a picture that cannot be made (one too large for its resolution).
  // SVG, PNG and WMF pictures carry the document's equation.
  std::string Picture(KLV300Doc& document, const std::filesystem::path& output) {
    try {
      return MakeEquationPicture(catalog, document, options).bytes;
    } catch (const PictureError& error) {
      throw CliError(CannotWriteMessage(output, error.what()));
    }
  }

  // One document serves every text of a run, made new once: typesetting never changes its
  // settings, so each text only replaces the lines (which keep their storage from one equation
  // to the next). Copying the settings for every text cost more than some equations.
  std::unique_ptr<HeadlessHost> textHost;
  std::unique_ptr<KLV300Doc> textDocument;

  std::string TextPicture(const std::string& equationText, const std::filesystem::path& output) {
    if (!textDocument) {
      textHost = std::make_unique<HeadlessHost>(settings);
      textDocument = std::make_unique<KLV300Doc>(*textHost);
      textDocument->OnNewDocument();
    }
    textDocument->SetEquationText(equationText);
    return Picture(*textDocument, output);
  }

  std::string DocumentPicture(const std::filesystem::path& input,
                              const std::filesystem::path& output) {
    HeadlessHost host(settings);
    KLV300Doc document(host);
    OpenDocumentOrPicture(document, input.string());
    return Picture(document, output);
  }

  // The document's picture as a container gets it; the hint goes to the exchange store.
  ContainerPicture ForContainer(KLV300Doc& document, const std::filesystem::path& output) {
    ConfigStore exchangeStore = ExchangeStore();
    exchangeStore.Load();
    const NodeBox notAsked;
    KLV300SrvrItem item(document, catalog, exchangeStore, notAsked);
    ContainerPicture picture;
    std::string error;
    if (!item.OnDraw(options, picture, error)) throw CliError(CannotWriteMessage(output, error));
    return picture;
  }
};

// A single picture is flushed to the disk before it replaces the old file.
void SaveSinglePicture(const std::filesystem::path& output, const std::string& picture) {
  std::string error;
  if (!SavePicture(output, picture, error, Durability::kFlushed)) throw CliError(error);
}

std::unique_ptr<Renderer> MakeRenderer(const Arguments& arguments, PictureFormat format) {
  std::unique_ptr<Renderer> renderer;
  try {
    renderer = std::make_unique<Renderer>();
  } catch (const FontError& error) {
    throw CliError(std::string("cannot use the system's fonts: ") + error.what());
  }
  renderer->settings = SettingsFromArguments(arguments);
  renderer->options = {format, DpiFrom(arguments), BackgroundFrom(arguments),
                       FixedMetricsAsked(arguments) ? MetricsSource::kFixed : MetricsSource::kFace};
  return renderer;
}

// A batch line as equation text: a literal \n separates equation lines.
std::string BatchLineText(std::string_view line) {
  std::string text;
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '\\' && i + 1 < line.size() && line[i + 1] == 'n') {
      text += '\n';
      ++i;
    } else {
      text += line[i];
    }
  }
  return EquationTextFromArgument(text);
}

// What a batch makes of each line: a picture, or the equation's markup.
class BatchMaker {
 public:
  virtual ~BatchMaker() = default;
  virtual std::string_view Extension() const = 0;
  // `output` names the file in messages.
  virtual std::string FromText(const std::string& text, const std::filesystem::path& output) = 0;
  virtual std::string FromDocument(const std::filesystem::path& input,
                                   const std::filesystem::path& output) = 0;
};

class PictureMaker : public BatchMaker {
 public:
  PictureMaker(const Arguments& arguments, PictureFormat format)
      : renderer_(MakeRenderer(arguments, format)), format_(format) {}
  std::string_view Extension() const override { return ExtensionOf(format_); }
  std::string FromText(const std::string& text, const std::filesystem::path& output) override {
    return renderer_->TextPicture(text, output);
  }
  std::string FromDocument(const std::filesystem::path& input,
                           const std::filesystem::path& output) override {
    return renderer_->DocumentPicture(input, output);
  }

 private:
  std::unique_ptr<Renderer> renderer_;
  PictureFormat format_;
};

// Markup needs no fonts.
class MarkupMaker : public BatchMaker {
 public:
  MarkupMaker(const Arguments& arguments, MarkupLanguage language)
      : settings_(SettingsFromArguments(arguments)),
        options_(MarkupOptionsFromArguments(arguments)),
        language_(language) {}
  std::string_view Extension() const override {
    return language_ == MarkupLanguage::kMathML ? ".mml" : ".tex";
  }
  std::string FromText(const std::string& text, const std::filesystem::path&) override {
    return MarkupFile(MarkupOf(text, settings_, language_, options_), language_);
  }
  std::string FromDocument(const std::filesystem::path& input,
                           const std::filesystem::path&) override {
    HeadlessHost host(settings_);
    KLV300Doc document(host);
    OpenDocumentOrPicture(document, input.string());
    return MarkupFile(MarkupOf(document, language_, options_), language_);
  }

 private:
  EquationSettings settings_;
  MarkupOptions options_;
  MarkupLanguage language_;
};

std::unique_ptr<BatchMaker> MakeBatchMaker(const Arguments& arguments) {
  const std::string format = LowerAscii(arguments.Value("--format").value_or("png"));
  if (format == "mml") return std::make_unique<MarkupMaker>(arguments, MarkupLanguage::kMathML);
  if (format == "tex") return std::make_unique<MarkupMaker>(arguments, MarkupLanguage::kLatex);
  RefuseMarkupOptions(arguments);
  return std::make_unique<PictureMaker>(arguments, FormatNamed(format));
}

void ShowProgress(std::ostream& err, int done, int total) {
  const int filled = total > 0 ? static_cast<int>(std::int64_t{done} * kProgressBarWidth / total)
                               : kProgressBarWidth;
  err << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
      << std::string(static_cast<std::size_t>(kProgressBarWidth - filled), ' ') << "] " << done
      << "/" << total << std::flush;
}

int RunBatch(const Arguments& arguments, CommandIo io) {
  const std::filesystem::path list = *arguments.Value("--batch");
  const auto outDir = arguments.Value("--out-dir");
  if (!outDir) throw CliError("--batch needs --out-dir DIR");
  if (!arguments.Positional().empty()) throw CliError("--batch takes no TEXT");
  std::ifstream in(list, std::ios::binary);
  if (!in) throw CliError("cannot read " + list.string());
  std::error_code made;
  std::filesystem::create_directories(*outDir, made);
  if (made) throw CliError("cannot make " + *outDir + ": " + made.message());

  const std::unique_ptr<BatchMaker> maker = MakeBatchMaker(arguments);
  const bool progress = isatty(STDERR_FILENO) != 0;
  int total = 0;
  if (progress) {
    std::string line;
    while (std::getline(in, line))
      ++total;
    in.clear();
    in.seekg(0);
  }

  // Batch pictures are made again by running the batch again, so they skip the flush, which
  // would dominate a long batch; they still go through a temporary file, so no picture is ever
  // seen half-written.
  BackgroundSaver saver(Durability::kUnflushed);
  int number = 0;
  int failures = 0;
  bool barShown = false;  // a bar is on the terminal's current line
  const auto report = [&](int lineNumber, const std::string& message) {
    ++failures;
    if (barShown) io.err << '\n';
    barShown = false;
    io.err << list.string() << ":" << lineNumber << ": " << message << '\n';
  };
  const auto reportSaveFailures = [&] {
    for (const BackgroundSaver::Failure& failure : saver.TakeFailures()) {
      report(failure.number, failure.message);
    }
  };
  std::string line;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::filesystem::path output =
        std::filesystem::path(*outDir) / (std::to_string(number) + std::string(maker->Extension()));
    try {
      std::error_code ignored;
      std::string content = IsDocumentPath(line) && std::filesystem::is_regular_file(line, ignored)
                                ? maker->FromDocument(line, output)
                                : maker->FromText(BatchLineText(line), output);
      saver.Save(number, std::move(output), std::move(content));
    } catch (const std::exception& error) {
      report(number, error.what());
    }
    reportSaveFailures();
    if (progress && (number % kProgressEvery == 0 || number == total)) {
      ShowProgress(io.err, number, total);
      barShown = true;
    }
  }
  saver.Finish();
  reportSaveFailures();
  if (barShown) io.err << '\n';
  return failures == 0 ? 0 : kExitSomeFailed;
}

int RunRender(std::span<const std::string> args, CommandIo io) {
  const Arguments arguments(args,
                            {"--set", "--options", "-o", "--output", "--format", "--dpi",
                             "--background", "--metrics", "-i", "--batch", "--out-dir", "--style"},
                            {"--container", "--invisible-times"});
  if (arguments.Value("--batch")) {
    if (arguments.Has("--container"))
      throw CliError("--container makes one picture, not a --batch");
    return RunBatch(arguments, io);
  }

  RefuseMarkupOptions(arguments);
  std::optional<std::string> output = arguments.Value("-o");
  if (!output) output = arguments.Value("--output");
  if (!output) throw CliError("render needs -o FILE");
  const PictureFormat format = FormatFor(arguments, *output);

  std::optional<std::string> input = arguments.Value("-i");
  if (!input && arguments.Positional().size() == 1 && NamesDocument(arguments.Positional()[0])) {
    input = arguments.Positional()[0];
  }
  if (input && !arguments.Positional().empty() && arguments.Value("-i")) {
    throw CliError("give either TEXT or -i FILE, not both");
  }
  const std::unique_ptr<Renderer> renderer = MakeRenderer(arguments, format);
  HeadlessHost host(renderer->settings);
  KLV300Doc document(host);
  document.OnNewDocument();
  if (input) {
    OpenDocumentOrPicture(document, *input);
  } else {
    document.SetEquationText(SingleEquationText(arguments));
  }
  if (!arguments.Has("--container")) {
    SaveSinglePicture(*output, renderer->Picture(document, *output));
    return 0;
  }
  const ContainerPicture picture = renderer->ForContainer(document, *output);
  SaveSinglePicture(*output, picture.bytes);
  io.out << ExtentLine(picture) << '\n';
  // The picture is right, but a container that reads the hint from the store would misplace it.
  if (!picture.hintError.empty()) throw CliError(picture.hintError);
  return 0;
}

}  // namespace

const Command& RenderCommand() {
  static const Command command{"render", kSynopsis, kHelp, RunRender};
  return command;
}

}  // namespace kv::cli
