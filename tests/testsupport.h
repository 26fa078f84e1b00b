#pragma once

// Shared by the window tests: a box and file-request recorder, a working
// folder with the data files, the whole program against a simulated drive.

#include "app/mainclass.h"
#include "dialogs/prompt.h"
#include "link/frame.h"
#include "link/platform.h"
#include "mainwindow/mainwindow.h"
#include "sim/ptydriveserver.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <functional>

// Records and answers every box and file request; a box not expect()ed fails the test.
// Boxes get the expectation's answer, else the queued answers, else their first button.
class PromptRecorder
{
public:
    PromptRecorder()
    {
        Prompt::setBoxHandler([this](const Prompt::Box &box) {
            boxes.append(box);
            const Expected *expected = match(box);
            if (!expected)
                failUnexpected(box);
            if (onBox)
                onBox(box); // while the box would be open
            if (expected && expected->answer != QMessageBox::NoButton)
                return expected->answer;
            if (!answers.isEmpty())
                return answers.takeFirst();
            const uint buttons = uint(box.buttons); // the first button is the lowest bit set
            return buttons ? QMessageBox::StandardButton(buttons & (~buttons + 1)) : QMessageBox::Ok;
        });
        Prompt::setFileHandler([this](const Prompt::FileRequest &request) {
            files.append(request);
            return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
        });
    }
    ~PromptRecorder()
    {
        Prompt::setBoxHandler({});
        Prompt::setFileHandler({});
    }

    // A box expected any number of times, whose title is `what` or text holds it.
    void expect(const QString &what, QMessageBox::StandardButton answer = QMessageBox::NoButton) { m_expected.append({what, answer}); }
    // The boxes shown so far stop counting; expectations stay.
    void clear() { boxes.clear(); }

    bool hasText(const QString &text) const { return any([&](const Prompt::Box &b) { return b.text == text; }); }
    bool hasTitle(const QString &title) const { return any([&](const Prompt::Box &b) { return b.title == title; }); }

    QList<Prompt::Box> boxes;
    std::function<void(const Prompt::Box &)> onBox;
    QList<Prompt::FileRequest> files;
    QList<QMessageBox::StandardButton> answers;
    QStringList fileAnswers;

private:
    struct Expected {
        QString what;
        QMessageBox::StandardButton answer;
    };
    template <typename Test>
    bool any(Test test) const { return std::any_of(boxes.cbegin(), boxes.cend(), test); }
    const Expected *match(const Prompt::Box &box) const
    {
        for (const Expected &e : m_expected) {
            if (box.title == e.what || box.text.contains(e.what))
                return &e;
        }
        return nullptr;
    }
    static void failUnexpected(const Prompt::Box &box)
    {
        const QByteArray what = QStringLiteral("unexpected box \"%1\": %2").arg(box.title, box.text).toUtf8();
        QTest::qFail(what.constData(), __FILE__, __LINE__);
    }
    QList<Expected> m_expected;
};

// A fresh working folder with the program's data files; the previous one comes back after.
class WorkDir
{
public:
    explicit WorkDir(bool withData = true)
        : m_previous(QDir::currentPath())
    {
        if (withData) {
            copyFiles(QStringLiteral(SERVO_DATA_DIR), QString(), QStringLiteral("*.ini"));
            copyFiles(QStringLiteral(SERVO_DATA_DIR "/ParameterFile"), QStringLiteral("ParameterFile/"), QStringLiteral("*.xml"));
            copyFiles(QStringLiteral(SERVO_DATA_DIR "/ParameterCompare"), QStringLiteral("ParameterCompare/"), QStringLiteral("*.conf"));
        }
        QDir::setCurrent(m_dir.path());
    }
    ~WorkDir() { QDir::setCurrent(m_previous); }

    // The compiled translations, as the build puts them beside the program.
    void addTranslations() const
    {
        copyFiles(QStringLiteral(SERVO_PROGRAM_DIR "/translations"), QStringLiteral("translations/"), QStringLiteral("*.qm"));
    }

    QString path(const QString &name) const { return m_dir.filePath(name); }

    void write(const QString &name, const QByteArray &contents) const
    {
        QDir(m_dir.path()).mkpath(QFileInfo(path(name)).path());
        QFile file(path(name));
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(contents);
    }

    QByteArray read(const QString &name) const
    {
        QFile file(path(name));
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }

    void remove(const QString &name) const { QFile::remove(path(name)); }

private:
    void copyFiles(const QString &from, const QString &folder, const QString &pattern) const
    {
        QDir(m_dir.path()).mkpath(folder.isEmpty() ? QStringLiteral(".") : folder);
        for (const QString &name : QDir(from).entryList({pattern}, QDir::Files))
            QFile::copy(QDir(from).filePath(name), path(folder + name));
    }
    QString m_previous;
    QTemporaryDir m_dir;
};

// The drive's identification reply, as the window receives it.
namespace Ident {

// One entry: identifier, two ignored bytes, value.
inline QByteArray entry(quint16 id, quint16 value)
{
    QByteArray e;
    e.append(char(id >> 8)).append(char(id)).append("\xAA\x55", 2).append(char(value >> 8)).append(char(value));
    return e;
}

// The first four words (product, model 1, model 2, firmware version) alone.
inline QByteArray words(quint16 product, quint16 model1, quint16 model2, quint16 firmware)
{
    return entry(0x0201, product) + entry(0x0202, model1) + entry(0x0203, model2) + entry(0x0204, firmware);
}

// A whole device-information payload (16 entries) with a serial number.
inline QByteArray payload(quint16 product, quint16 model1, quint16 model2, quint16 firmware,
                          const QByteArray &serial = "SN0123456789ABC")
{
    QByteArray p = words(product, model1, model2, firmware);
    for (quint16 id = 0x0205; id <= 0x0208; ++id)
        p += entry(id, 0xFFFF);
    const QByteArray s = serial.leftJustified(15, ' ');
    for (int i = 0; i < 7; ++i)
        p += entry(quint16(0x0209 + i), quint16(uint8_t(s.at(2 * i)) << 8 | uint8_t(s.at(2 * i + 1))));
    p += entry(0x0210, quint16(uint8_t(s.at(14)) << 8 | 0x7F));
    return p;
}

inline void identify(MainWindow *window, const QByteArray &payload)
{
    window->identifyDevice(reinterpret_cast<const uint8_t *>(payload.constData()), payload.size() + 6);
}

} // namespace Ident

// The program against a simulated drive on a pseudo-terminal.
class DriveFixture
{
protected:
    std::unique_ptr<WorkDir> dir;
    std::unique_ptr<PromptRecorder> prompts;
    std::unique_ptr<DriveEndpoint> drive;
    std::unique_ptr<PtyDriveServer> server;
    std::unique_ptr<MainClass> app;
    // A main window on its own, for tests that need no program around it.
    std::unique_ptr<MainWindow> standalone;

    // A drive holding the parameters of `definitions`, when given.
    bool startDrive(const QString &definitions = QString())
    {
        drive = std::make_unique<DriveEndpoint>();
        if (!definitions.isEmpty()
            && !drive->withModel([&](DriveModel &m) { return m.loadParameters(definitions); }))
            return false;
        server = std::make_unique<PtyDriveServer>(*drive);
        if (!server->start())
            return false;
        qputenv("SERVO_EXTRA_PORTS", server->slavePath().toLocal8Bit());
        return true;
    }
    void startApp() { app = std::make_unique<MainClass>(); }
    MainWindow *startWindow()
    {
        standalone = std::make_unique<MainWindow>();
        return standalone.get();
    }
    // The program linked to a drive holding the shipped definitions, its line the only port.
    bool startLinked()
    {
        if (!startDrive(dir->path(QStringLiteral("ParameterFile/zh_CN_Parameter.xml"))))
            return false;
        Platform::setSystemPortLister([] { return QStringList(); });
        startApp();
        return connectToDrive();
    }

    MainWindow *window() const { return app ? app->mainWindow : standalone.get(); }
    template <typename T>
    T *widget(const char *name) const { return window()->findChild<T *>(QString::fromLatin1(name)); }

    // Picks the drive's port and clicks connect; true once the link is up.
    bool connectToDrive()
    {
        auto *ports = widget<QComboBox>("portSel");
        if (!QTest::qWaitFor([&] { return ports->findText(server->slavePath()) >= 0; }, 5000))
            return false;
        ports->setCurrentIndex(ports->findText(server->slavePath()));
        widget<QPushButton>("pushButton")->click();
        return QTest::qWaitFor(
            [&] { return widget<QLabel>("communicateState")->text() == QStringLiteral("通信正常"); }, 5000);
    }

    // A fresh working folder, boxes recorded, the command table as at start.
    void openCase()
    {
        dir = std::make_unique<WorkDir>();
        prompts = std::make_unique<PromptRecorder>();
        resetCommandTable();
    }
    void closeCase()
    {
        standalone.reset();
        app.reset();
        // After the program: its worker asks for the port list while it runs.
        Platform::setSystemPortLister({});
        server.reset();
        drive.reset();
        qunsetenv("SERVO_EXTRA_PORTS");
        prompts.reset();
        dir.reset();
    }
};
