// Registration with the desktop, driven as a user would: `kalvane -r` and `kalvane --unregister`
// run as programs with no display, in a scratch home, and what they write is judged by the
// desktop's own tools (desktop-file-validate, xdg-mime).
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

#include "support/qt_program.h"

// The desktop's files are compiled into the library the program is built from; the copies are
// compared with them.
static void LoadResources() {
  Q_INIT_RESOURCE(kalvane);
}

namespace kv {
namespace {

constexpr const char* kMimeType = "application/x-kalvane-equation";
constexpr const char* kDesktopEntry = "applications/kalvane.desktop";
// A file an earlier version registered under the type's former name.
constexpr const char* kFormerIcon = "icons/hicolor/scalable/mimetypes/application-x-kalvane3.svg";

// The files of the program's resources that registering copies under the data home, at the same
// paths: the files an installation puts under share/.
const QString kResourceFolder = ":/kalvane/desktop";
QStringList DesktopResources() {
  QStringList files;
  QDirIterator resources(kResourceFolder, QDir::Files, QDirIterator::Subdirectories);
  while (resources.hasNext())
    files.append(resources.next().mid(kResourceFolder.size() + 1));
  return files;
}

using Run = test::ProgramRun;
using test::RunProgram;

// A user's session without a display or a named desktop (so that xdg-mime asks the shared MIME
// database rather than a desktop's own tool), with its home and data home in scratch folders.
QProcessEnvironment SessionWithout(const QString& home, const std::optional<QString>& dataHome) {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_CURRENT_DESKTOP",
                           "XDG_SESSION_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION",
                           "GNOME_DESKTOP_SESSION_ID", "XDG_DATA_HOME"})
    environment.remove(name);
  environment.insert("HOME", home);
  if (dataHome) environment.insert("XDG_DATA_HOME", *dataHome);
  return environment;
}

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString EntryValue(const QString& desktopFile, const QString& key) {
  for (const QString& line : QString::fromUtf8(ReadAll(desktopFile)).split('\n'))
    if (line.startsWith(key + '=')) return line.mid(key.size() + 1);
  return {};
}

// A desktop entry's value with its escapes (\s \n \t \r \\) undone.
QString UnescapeValue(const QString& value) {
  QString unescaped;
  for (qsizetype i = 0; i < value.size(); ++i) {
    if (value[i] != '\\' || i + 1 == value.size()) {
      unescaped += value[i];
      continue;
    }
    const QChar next = value[++i];
    unescaped += next == 's'   ? QChar(' ')
                 : next == 'n' ? QChar('\n')
                 : next == 't' ? QChar('\t')
                 : next == 'r' ? QChar('\r')
                               : next;
  }
  return unescaped;
}

// Splits an Exec value into arguments as a launcher does: the value's own escapes first, then
// the words, where double quotes keep spaces and \" \` \$ \\ stand for the character; "%%" is a
// percent sign and any other "%x" stays as the field code it is.
QStringList ParseExec(const QString& value) {
  const QString unescaped = UnescapeValue(value);
  QStringList words;
  QString word;
  bool inWord = false;
  bool quoted = false;
  for (qsizetype i = 0; i < unescaped.size(); ++i) {
    const QChar c = unescaped[i];
    if (!quoted && c == ' ') {
      if (inWord) words.append(word);
      word.clear();
      inWord = false;
      continue;
    }
    inWord = true;
    if (c == '"') {
      quoted = !quoted;
    } else if (quoted && c == '\\' && i + 1 < unescaped.size()) {
      word += unescaped[++i];
    } else if (c == '%' && i + 1 < unescaped.size()) {
      const QChar code = unescaped[++i];
      word += code == '%' ? QString("%") : QString('%') + code;
    } else {
      word += c;
    }
  }
  if (inWord) words.append(word);
  return words;
}

}  // namespace

class RegistrationTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir scratch_;
  QString document_;  // a real .kv3 document, a compound file

 private slots:
  void initTestCase() {
    LoadResources();
    QVERIFY(scratch_.isValid());
    document_ = scratch_.filePath("equation.kv3");
    const Run save = RunProgram(KALVANE_CLI, {"save", "x^2", "-o", document_},
                                QProcessEnvironment::systemEnvironment());
    QCOMPARE(save.status, 0);
  }

  // The program is registered from folders whose names need the Exec line's quoting; each time
  // the desktop's tools must accept the files, the entry must start that very program, and
  // unregistering must take everything away again.
  void registersAndUnregisters_data() {
    QTest::addColumn<QString>("programPath");
    QTest::newRow("as built") << QString();
    QTest::newRow("spaces") << "Kalvane bin/kalvane editor";
    QTest::newRow("characters special to the launcher") << R"(it's "my" $HOME `x` \ 100%f;#)";
  }
  void registersAndUnregisters() {
    QFETCH(QString, programPath);
    QTemporaryDir root;
    QVERIFY(root.isValid());
    QString program = KALVANE_EDITOR;
    if (!programPath.isEmpty()) {
      program = root.filePath(programPath.contains('/') ? programPath : programPath + "/kalvane");
      QVERIFY(QDir().mkpath(QFileInfo(program).path()));
      QVERIFY(QFile::copy(KALVANE_EDITOR, program));
    }
    const QString dataHome = root.filePath("data");
    const QProcessEnvironment session = SessionWithout(root.filePath("home"), dataHome);

    const QString formerIcon = QDir(dataHome).filePath(kFormerIcon);
    const auto plantFormerIcon = [&] {
      QFile file(formerIcon);
      return QDir().mkpath(QFileInfo(formerIcon).path()) && file.open(QIODevice::WriteOnly);
    };
    QVERIFY(plantFormerIcon());

    const Run registering = RunProgram(program, {"-r"}, session);
    QCOMPARE(registering.status, 0);
    QVERIFY2(registering.out.contains(dataHome), qPrintable(registering.out));
    const QStringList files = DesktopResources();
    QVERIFY(files.contains(kDesktopEntry));
    for (const QString& file : files) {
      const QByteArray written = ReadAll(QDir(dataHome).filePath(file));
      QVERIFY2(!written.isEmpty(), qPrintable(file));
      if (file != kDesktopEntry) QCOMPARE(written, ReadAll(kResourceFolder + '/' + file));
    }
    QVERIFY(!QFile::exists(formerIcon));

    const QString entry = QDir(dataHome).filePath(kDesktopEntry);
    const Run validation = RunProgram("desktop-file-validate", {entry}, session);
    QVERIFY2(validation.status == 0 && !validation.out.contains("error:") &&
                 !validation.out.contains("warning:"),
             qPrintable(validation.out + validation.err));
    QCOMPARE(ParseExec(EntryValue(entry, "Exec")), QStringList({program, "%f"}));
    // The rest of the entry is the installed one, whose icons are among the files written.
    const QString installed = kResourceFolder + '/' + kDesktopEntry;
    const auto otherLines = [](const QString& path) {
      QStringList lines = QString::fromUtf8(ReadAll(path)).split('\n');
      lines.removeIf([](const QString& line) {
        return line.startsWith("Exec=") || line.startsWith("TryExec=");
      });
      return lines;
    };
    QCOMPARE(otherLines(entry), otherLines(installed));
    QCOMPARE(UnescapeValue(EntryValue(entry, "TryExec")), program);
    QVERIFY(files.contains("icons/hicolor/scalable/apps/" + EntryValue(entry, "Icon") + ".svg"));
    QVERIFY(files.contains("icons/hicolor/scalable/mimetypes/" +
                           QString(kMimeType).replace('/', '-') + ".svg"));

    const Run type = RunProgram("xdg-mime", {"query", "filetype", document_}, session);
    QCOMPARE(type.out.trimmed(), QString(kMimeType));
    const Run handler = RunProgram("xdg-mime", {"query", "default", kMimeType}, session);
    QCOMPARE(handler.out.trimmed(), QString("kalvane.desktop"));
    const QString handlers = QDir(dataHome).filePath("applications/mimeinfo.cache");
    QVERIFY(ReadAll(handlers).contains(QByteArray(kMimeType) + "=kalvane.desktop;"));

    QVERIFY(plantFormerIcon());
    const Run unregistering = RunProgram(program, {"--unregister"}, session);
    QCOMPARE(unregistering.status, 0);
    for (const QString& file : files)
      QVERIFY2(!QFile::exists(QDir(dataHome).filePath(file)), qPrintable(file));
    QVERIFY(!QFile::exists(formerIcon));
    QVERIFY(RunProgram("xdg-mime", {"query", "filetype", document_}, session).out.trimmed() !=
            kMimeType);
    QCOMPARE(RunProgram("xdg-mime", {"query", "default", kMimeType}, session).out.trimmed(),
             QString());
    QVERIFY(!ReadAll(handlers).contains("kalvane.desktop"));
    // Nothing left to remove is no failure.
    QCOMPARE(RunProgram(program, {"--unregister"}, session).status, 0);
  }

  // The data home is $XDG_DATA_HOME only when that is an absolute path (the main test sets one),
  // else ~/.local/share.
  void findsTheDataHome_data() {
    QTest::addColumn<std::optional<QString>>("variable");
    QTest::newRow("unset") << std::optional<QString>();
    QTest::newRow("relative") << std::optional<QString>("elsewhere");
  }
  void findsTheDataHome() {
    QFETCH(std::optional<QString>, variable);
    QTemporaryDir root;
    QVERIFY(root.isValid());
    QCOMPARE(
        RunProgram(KALVANE_EDITOR, {"-r"}, SessionWithout(root.filePath("home"), variable)).status,
        0);
    QVERIFY(QFile::exists(root.filePath("home/.local/share/applications/kalvane.desktop")));
  }

  // The databases' tools are a help, not a need: without them the files are still written and
  // the report says what was not updated.
  void registersWithoutTheDesktopTools() {
    QTemporaryDir root;
    QVERIFY(root.isValid());
    QProcessEnvironment session = SessionWithout(root.filePath("home"), root.filePath("data"));
    session.insert("PATH", root.filePath("no-tools"));
    const Run run = RunProgram(KALVANE_EDITOR, {"-r"}, session);
    QCOMPARE(run.status, 0);
    QVERIFY(QFile::exists(root.filePath("data/applications/kalvane.desktop")));
    QVERIFY2(
        run.out.contains("update-mime-database") && run.out.contains("update-desktop-database"),
        qPrintable(run.out));
  }

  // A data home that cannot hold folders (it lies under a plain file, which stops even root):
  // the program fails and names the file it could not write.
  void reportsAFileItCannotWrite() {
    QTemporaryDir root;
    QVERIFY(root.isValid());
    QFile plain(root.filePath("plain"));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    const QString dataHome = root.filePath("plain/share");
    const Run run =
        RunProgram(KALVANE_EDITOR, {"-r"}, SessionWithout(root.filePath("home"), dataHome));
    QVERIFY(run.status > 0);
    bool named = false;
    for (const QString& file : DesktopResources())
      named = named || run.err.contains(QDir(dataHome).filePath(file));
    QVERIFY2(named, qPrintable(run.err));
  }
};

}  // namespace kv

QTEST_MAIN(kv::RegistrationTest)
#include "registration_test.moc"
