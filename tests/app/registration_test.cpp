// Registration with the desktop, driven as a user would: `kalvane -r` and `kalvane --unregister`
// run as programs with no display, in a scratch home, and what they write is judged by the
// desktop's own tools (desktop-file-validate, xdg-mime).
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

#include "support/qt_program.h"

// The icons are compiled into the library the program is built from; the copies are compared
// with them.
static void LoadResources() {
  Q_INIT_RESOURCE(kalvane);
}

namespace kv {
namespace {

constexpr const char* kMimeType = "application/x-kalvane3";

// The files registering promises under the data home, each with the icon it copies (if any).
const QList<std::pair<QString, QString>> kRegisteredFiles = {
    {"applications/kalvane.desktop", ""},
    {"mime/packages/kalvane.xml", ""},
    {"icons/hicolor/scalable/apps/kalvane.svg", ":/kalvane/kalvane.svg"},
    {"icons/hicolor/scalable/mimetypes/application-x-kalvane3.svg", ":/kalvane/kalvane.svg"},
    {"icons/hicolor/64x64/apps/kalvane.png", ":/kalvane/kalvane.png"},
};

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

// Splits an Exec value into arguments as a launcher does: the value's own escapes first, then
// the words, where double quotes keep spaces and \" \` \$ \\ stand for the character; "%%" is a
// percent sign and any other "%x" stays as the field code it is.
QStringList ParseExec(const QString& value) {
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

    const Run registering = RunProgram(program, {"-r"}, session);
    QCOMPARE(registering.status, 0);
    QVERIFY2(registering.out.contains(dataHome), qPrintable(registering.out));
    for (const auto& [file, icon] : kRegisteredFiles) {
      QVERIFY2(QFile::exists(QDir(dataHome).filePath(file)), qPrintable(file));
      if (!icon.isEmpty()) QCOMPARE(ReadAll(QDir(dataHome).filePath(file)), ReadAll(icon));
    }

    const QString entry = QDir(dataHome).filePath("applications/kalvane.desktop");
    const Run validation = RunProgram("desktop-file-validate", {entry}, session);
    QVERIFY2(validation.status == 0 && !validation.out.contains("error:") &&
                 !validation.out.contains("warning:"),
             qPrintable(validation.out + validation.err));
    QCOMPARE(ParseExec(EntryValue(entry, "Exec")), QStringList({program, "%f"}));

    const Run type = RunProgram("xdg-mime", {"query", "filetype", document_}, session);
    QCOMPARE(type.out.trimmed(), QString(kMimeType));
    const Run handler = RunProgram("xdg-mime", {"query", "default", kMimeType}, session);
    QCOMPARE(handler.out.trimmed(), QString("kalvane.desktop"));
    const QString handlers = QDir(dataHome).filePath("applications/mimeinfo.cache");
    QVERIFY(ReadAll(handlers).contains("application/x-kalvane3=kalvane.desktop;"));

    const Run unregistering = RunProgram(program, {"--unregister"}, session);
    QCOMPARE(unregistering.status, 0);
    for (const auto& [file, icon] : kRegisteredFiles)
      QVERIFY2(!QFile::exists(QDir(dataHome).filePath(file)), qPrintable(file));
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
    for (const auto& [file, icon] : kRegisteredFiles)
      named = named || run.err.contains(QDir(dataHome).filePath(file));
    QVERIFY2(named, qPrintable(run.err));
  }
};

}  // namespace kv

QTEST_MAIN(kv::RegistrationTest)
#include "registration_test.moc"
