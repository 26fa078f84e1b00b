// The auxiliary windows: connection set-up, traffic monitor, error list and servo debug text.

#include "dialogs/aboutdialog.h"
#include "dialogs/connectdata.h"
#include "dialogs/connectionsetup.h"
#include "dialogs/errorform.h"
#include "link/platform.h"
#include "link/serialthread.h"
#include "link/showsrvdebuginfo.h"
#include "testsupport.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QTimer>
#include <QtTest>

// Receives the addresses the desktop would open.
class UrlCatcher : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> urls;

public slots:
    void open(const QUrl &url) { urls.append(url); }
};

class TestDialogs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { registerLinkTypes(); }

    void init() { Platform::setSystemPortLister([] { return QStringList{QStringLiteral("ttyUSB0"), QStringLiteral("COM3")}; }); }
    void cleanup() { Platform::setSystemPortLister({}); }

    void connectionSetupSendsWhatIsChosen()
    {
        ConnectionSetup setup;
        setup.setupShow();
        QSignalSpy spy(&setup, &ConnectionSetup::connectPara);
        const auto combo = [&](const char *name) { return setup.findChild<QComboBox *>(QString::fromLatin1(name)); };
        combo("portSel")->setCurrentText(QStringLiteral("COM3"));
        combo("baudSel")->setCurrentIndex(3);     // 9600
        combo("dataBitsSel")->setCurrentIndex(2); // 7
        combo("paritySel")->setCurrentIndex(1);   // even
        combo("stopSel")->setCurrentIndex(1);     // 1.5 sends two
        setup.findChild<QDialogButtonBox *>(QStringLiteral("connectOK"))->button(QDialogButtonBox::Ok)->click();
        // On Linux a port name is passed on as it is.
        QCOMPARE(spy.size(), 1);
        QCOMPARE(spy.first(), (QVariantList{QStringLiteral("COM3"), QVariant::fromValue<uint32_t>(9600),
                                            QVariant::fromValue<uint8_t>(7), QVariant::fromValue<uint8_t>(2),
                                            QVariant::fromValue<uint8_t>(2)}));

        // Reopened, the chosen port stays while listed; with no port, connecting sends an empty name.
        Platform::setSystemPortLister([] { return QStringList{QStringLiteral("ttyACM0"), QStringLiteral("COM3")}; });
        setup.setupShow();
        QCOMPARE(combo("portSel")->count(), 2);
        QCOMPARE(combo("portSel")->currentText(), QStringLiteral("COM3"));
        Platform::setSystemPortLister([] { return QStringList(); });
        setup.setupShow();
        setup.getPara();
        QCOMPARE(spy.last().first().toString(), QString());

        // The address takes digits and a minus only.
        auto *address = setup.findChild<QLineEdit *>(QStringLiteral("connectAdd"));
        address->clear();
        QTest::keyClick(address, Qt::Key_Minus);
        QTest::keyClick(address, Qt::Key_X);
        QCOMPARE(address->text(), QStringLiteral("-"));
    }

    void aboutBoxOpensTheShippedNotices()
    {
        aboutDialog about;
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
        about.findChild<QPushButton *>(QStringLiteral("pushbutton_license"))->click();
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QCOMPARE(catcher.urls, {QUrl::fromLocalFile(QDir::currentPath() + QStringLiteral("/license/third-party-license.html"))});

        QFile page(QStringLiteral(SERVO_DATA_DIR "/license/third-party-license.html"));
        page.open(QIODevice::ReadOnly);
        const QString text = QString::fromUtf8(page.readAll());
        for (const char *name : {"Qt", "Qwt", "HIDAPI", "LGPL", "Qwt License", "BSD"})
            QVERIFY2(text.contains(QLatin1String(name)), name);
    }

    void trafficLineShowsTimeTagAndBytes()
    {
        const uint8_t frame[] = {0x7E, 0x0E, 0x01, 0x08, 0x00, 0x00, 0xFA, 0xE3};
        const QDateTime when(QDate(2026, 12, 6), QTime(14, 5, 9));
        QCOMPARE(ConnectData::trafficLine(when, frame, 8, 0),
                 QStringLiteral("2026-12-06 14:05:09     Tx:  7e 0e 01 08 00 00 fa e3 "));
        QVERIFY(ConnectData::trafficLine(when, frame, 1, 1).endsWith(QStringLiteral("Rx:  7e ")));
    }

    void monitorKeepsTheNewest100LinesPausesAndSaves()
    {
        ConnectData monitor;
        monitor.diaShow();
        for (uint8_t byte = 0; byte < 101; ++byte)
            monitor.showComTRData(&byte, 1, 0);
        QCOMPARE(monitor.lines().size(), 100);
        QVERIFY(monitor.lines().first().endsWith(QStringLiteral("01 ")));

        uint8_t byte = 0;
        monitor.findChild<QPushButton *>(QStringLiteral("dataStop"))->click();
        monitor.showComTRData(&byte, 1, 1);
        QVERIFY(monitor.lines().last().contains(QStringLiteral("Tx:")));
        monitor.findChild<QPushButton *>(QStringLiteral("dataOpen"))->click();
        monitor.showComTRData(&byte, 1, 1);
        QVERIFY(monitor.lines().last().contains(QStringLiteral("Rx:")));

        monitor.diaShow();
        QVERIFY(monitor.lines().isEmpty());

        // A saved log holds the lines; an unwritable target is reported and kept; a cancel does nothing.
        WorkDir dir(false);
        PromptRecorder prompts;
        uint8_t bytes[] = {1, 2};
        monitor.showComTRData(bytes, 2, 0);
        monitor.showComTRData(bytes, 1, 1);
        prompts.fileAnswers << dir.path(QStringLiteral("log.txt"));
        monitor.dataSave();
        QVERIFY(monitor.paused());
        QCOMPARE(dir.read(QStringLiteral("log.txt")), monitor.lines().join(QStringLiteral("\r\n")).toUtf8());

        prompts.expect(QStringLiteral("保存失败"));
        QDir().mkdir(dir.path(QStringLiteral("taken.txt")));
        prompts.fileAnswers << dir.path(QStringLiteral("missing/log.txt")) << dir.path(QStringLiteral("taken.txt"));
        monitor.dataSave();
        monitor.dataSave();
        QCOMPARE(prompts.boxes.size(), 2);
        QCOMPARE(prompts.boxes.first().icon, Prompt::Icon::Critical);
        QVERIFY(QFileInfo(dir.path(QStringLiteral("taken.txt"))).isDir());
        monitor.dataSave();
        QCOMPARE(prompts.boxes.size(), 2);
    }

    // Text from files and from the drive never turns into markup; only the tool's own marked-up texts are rich.
    void boxesShowOutsideTextAsItIs()
    {
        const auto shownAs = [](const std::function<void()> &show) {
            Qt::TextFormat shown = Qt::AutoText;
            QTimer::singleShot(0, [&shown] {
                if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                    shown = box->textFormat();
                    box->accept();
                }
            });
            show();
            return shown;
        };
        const QString fromAFile = QStringLiteral("<b>VMR</b><img src=\"x.png\">");
        QCOMPARE(shownAs([&] { Prompt::warning(nullptr, QStringLiteral("t"), fromAFile); }), Qt::PlainText);
        const Prompt::Rich rich{fromAFile.toHtmlEscaped() + QStringLiteral("<br/>")};
        QCOMPARE(shownAs([&] { Prompt::warning(nullptr, QStringLiteral("t"), rich); }), Qt::RichText);
    }

    void errorListStampsItsMessages()
    {
        errorForm errors;
        errors.showError(QStringLiteral("参数组名称不正确！"));
        QCOMPARE(errors.messages().size(), 1);
        QVERIFY(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d: 参数组名称不正确！$"))
                    .match(errors.messages().first())
                    .hasMatch());
        errors.ClearListViewDisplay();
        QVERIFY(errors.messages().isEmpty());
    }

    void debugTextEndsAtTheFirstZeroByte()
    {
        QCOMPARE(showSrvDebugInfo::debugLine(QStringLiteral("10:00:00.000"), 1, QByteArray("ABC\0DEF", 7)),
                 QStringLiteral("【10:00:00.000】: CM: ABC"));
        QCOMPARE(showSrvDebugInfo::debugLine(QStringLiteral("t"), 0, QByteArray()), QStringLiteral("【t】: CPU: "));

        showSrvDebugInfo window;
        window.showServoDebugInfo(1, QByteArray("ABC\0DEF", 7));
        window.showServoDebugInfo(5, QByteArray("ignored"));
        QVERIFY(window.text().contains(QStringLiteral(": CM: ABC")));
        QVERIFY(!window.text().contains(QStringLiteral("ignored")));
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
