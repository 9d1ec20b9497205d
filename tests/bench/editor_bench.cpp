// The editor as a person uses it: a key typed into the equation box of the real main window,
// timed until the view has finished painting the document again. The window runs on the
// offscreen platform (QT_QPA_PLATFORM=offscreen unless set), with options and recent files in a
// scratch folder. Run by hand:
//   build/tests/bench/editor_bench --benchmark_repetitions=5
//
//   BM_KeystrokeToPaint/0   a typical equation of the corpus (the quadratic formula)
//   BM_KeystrokeToPaint/1   twenty lines: the corpus's twenty longest equations
//   BM_KeystrokeToPaint/2   one line of 100 kB: the corpus's equations joined by "+"
//   BM_PasteToPaint         1 MB of the corpus's equations pasted into an empty box, until the
//                           view has painted them
//   BM_WindowBusy/0         how long the window cannot answer after a keystroke in the line of
//                           100 kB: the key handled and the view painted again (an equation that
//                           big is typeset on a thread of its own meanwhile)
//   BM_WindowBusy/1         the same after the paste of 1 MB
//   BM_MemoryOverEdits      100,000 keystrokes, each painted; the process's resident memory
//                           after the first 10,000 and after all of them
//   BM_OpenOptionsSheet/0   the options sheet made and shown on its first page (the fonts, with
//                           five lists of the installed faces), until that page has painted
//   BM_OpenOptionsSheet/1   the same, then every other page shown in turn and painted
// Each keystroke types a character or removes it again, so the text stays as it was.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <QClipboard>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/equation_bar.h"
#include "app/equation_view.h"
#include "app/main_frame.h"
#include "app/options_sheet.h"
#include "settings/equation_settings.h"

namespace kv {

// The equations of the corpus, in this program's syntax (its second column).
std::vector<std::string> CorpusEquations() {
  std::ifstream corpus(std::string(KALVANE_SOURCE_DIR) + "/bench/corpus.tsv");
  std::vector<std::string> equations;
  std::string line;
  std::getline(corpus, line);  // the heading
  while (std::getline(corpus, line)) {
    std::istringstream fields(line);
    std::string id, text;
    if (std::getline(fields, id, '\t') && std::getline(fields, text, '\t'))
      equations.push_back(text);
  }
  return equations;
}

QString TwentyLongestEquations() {
  std::vector<std::string> equations = CorpusEquations();
  std::stable_sort(equations.begin(), equations.end(),
                   [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
  equations.resize(std::min<std::size_t>(equations.size(), 20));
  QStringList lines;
  for (const std::string& equation : equations)
    lines << QString::fromStdString(equation);
  return lines.join('\n');
}

// The corpus's equations joined by "+" into one line of at least `bytes` bytes.
QString LongLine(std::size_t bytes) {
  const std::vector<std::string> equations = CorpusEquations();
  std::string line;
  for (std::size_t i = 0; line.size() < bytes; ++i) {
    if (!line.empty()) line += '+';
    line += equations[i % equations.size()];
  }
  return QString::fromStdString(line);
}

// The editor's window with one document, kept for the whole run as the program keeps it.
struct Editor {
  Editor() : app(std::make_unique<KLV300App>()), frame(std::make_unique<CMainFrame>(*app)) {
    app->StartUp();
    frame->show();
    app->ProcessStartRequest({});
    if (!QTest::qWaitForWindowExposed(frame.get())) std::abort();
  }
  EquationEdit& Box() { return frame->Bar().Edit(); }
  KLV300View& View() { return frame->ActiveChild()->View(); }

  std::unique_ptr<KLV300App> app;
  std::unique_ptr<CMainFrame> frame;
};

// Made by main() after the application object and gone before it.
Editor* theEditor = nullptr;

Editor& TheEditor() {
  return *theEditor;
}

// Does `action`, then handles events until the view has painted the equation as it is then.
template <typename Action>
void UntilPainted(Editor& editor, Action action) {
  QSignalSpy painted(&editor.View(), &KLV300View::painted);
  action();
  while (painted.isEmpty())
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// Shows `text` with the cursor at the end of its last line, painted once.
void Prepare(Editor& editor, const QString& text) {
  UntilPainted(editor, [&editor, &text] {
    editor.Box().setPlainText(text);
    editor.Box().moveCursor(QTextCursor::End);
  });
}

// Keystroke number `keystroke`: every other one types a character and the next one removes it
// again, so the text stays as it was.
void TypeOrErase(Editor& editor, int keystroke) {
  QTest::keyClick(&editor.Box(), keystroke % 2 == 0 ? Qt::Key_Z : Qt::Key_Backspace);
}

void Paste(Editor& editor) {
  QTest::keyClick(&editor.Box(), Qt::Key_V, Qt::ControlModifier);
}

// One keystroke, handled until the view's paint has finished: the paint is what the person
// waits for.
void KeystrokeAndPaint(Editor& editor, int keystroke) {
  UntilPainted(editor, [&editor, keystroke] { TypeOrErase(editor, keystroke); });
}

void BM_KeystrokeToPaint(benchmark::State& state) {
  Editor& editor = TheEditor();
  const std::array<QString, 3> texts = {QString("x=(-b+-sqrt(b2-4ac))/2a"),
                                        TwentyLongestEquations(), LongLine(100 * 1000)};
  const std::array<const char*, 3> labels = {"quadratic formula", "twenty longest equations",
                                             "one line of 100 kB"};
  Prepare(editor, texts.at(state.range(0)));
  int keystroke = 0;
  for (auto _ : state)
    KeystrokeAndPaint(editor, keystroke++);
  state.SetLabel(labels.at(state.range(0)));
}
BENCHMARK(BM_KeystrokeToPaint)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

// A paste of 1 MB into an empty box, through the clipboard and the paste key, until painted.
void BM_PasteToPaint(benchmark::State& state) {
  Editor& editor = TheEditor();
  QApplication::clipboard()->setText(LongLine(1000 * 1000));
  for (auto _ : state) {
    state.PauseTiming();
    Prepare(editor, "");
    state.ResumeTiming();
    UntilPainted(editor, [&editor] { Paste(editor); });
  }
}
BENCHMARK(BM_PasteToPaint)->Unit(benchmark::kMillisecond);

void BM_WindowBusy(benchmark::State& state) {
  Editor& editor = TheEditor();
  const bool paste = state.range(0) == 1;
  QApplication::clipboard()->setText(LongLine(1000 * 1000));
  Prepare(editor, paste ? QString() : LongLine(100 * 1000));
  int keystroke = 0;
  for (auto _ : state) {
    if (paste) {
      state.PauseTiming();
      Prepare(editor, "");
      state.ResumeTiming();
      Paste(editor);
    } else {
      TypeOrErase(editor, keystroke++);
    }
    editor.View().viewport()->repaint();
    // Outside the timing: the newest picture is made and painted before the next round.
    state.PauseTiming();
    UntilPainted(editor, [&editor] { editor.View().viewport()->update(); });
    state.ResumeTiming();
  }
  state.SetLabel(paste ? "paste of 1 MB" : "keystroke in a line of 100 kB");
}
BENCHMARK(BM_WindowBusy)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);

// The process's resident memory in bytes.
double ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE));
}

void BM_MemoryOverEdits(benchmark::State& state) {
  constexpr int kWarmUp = 10000;
  constexpr int kEdits = 100000;
  Editor& editor = TheEditor();
  for (auto _ : state) {
    Prepare(editor, "x=(-b+-sqrt(b2-4ac))/2a");
    for (int i = 0; i < kWarmUp; ++i)
      KeystrokeAndPaint(editor, i);
    const double afterWarmUp = ResidentBytes();
    for (int i = 0; i < kEdits; ++i)
      KeystrokeAndPaint(editor, i);
    state.counters["rss_after_warm_up_MB"] = afterWarmUp / 1e6;
    state.counters["rss_after_edits_MB"] = ResidentBytes() / 1e6;
  }
}
BENCHMARK(BM_MemoryOverEdits)->Iterations(1)->Unit(benchmark::kSecond);

void BM_OpenOptionsSheet(benchmark::State& state) {
  Editor& editor = TheEditor();
  KLV300Doc& document = *editor.frame->ActiveDocument();
  const bool everyPage = state.range(0) == 1;
  for (auto _ : state) {
    int painted = -1;
    SheetContext context{document.Settings(),
                         editor.app->MasterSettings(),
                         [&painted](int page) { painted = page; },
                         UserDecimalSeparator(),
                         editor.app->Dialogs(),
                         editor.app->Fonts()};
    KLVOptionsSheet sheet(context, 0);
    sheet.show();
    for (int page = 0; page < (everyPage ? KLVOptionsSheet::kPageCount : 1); ++page) {
      sheet.Tabs().setCurrentIndex(page);
      while (painted != page)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
  }
  state.SetLabel(everyPage ? "every page" : "first page");
}
BENCHMARK(BM_OpenOptionsSheet)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace kv

int main(int argc, char** argv) {
  // Options and recent files of a run of its own, not the user's.
  char scratch[] = "/tmp/kalvane-editor-bench-XXXXXX";
  if (mkdtemp(scratch) == nullptr) return 1;
  setenv("XDG_CONFIG_HOME", scratch, 1);
  setenv("KALVANE_PROGRAM_FOLDER", scratch, 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  {
    kv::Editor editor;
    kv::theEditor = &editor;
    benchmark::RunSpecifiedBenchmarks();
    kv::theEditor = nullptr;
  }
  benchmark::Shutdown();
  std::error_code error;
  std::filesystem::remove_all(scratch, error);
  return 0;
}
