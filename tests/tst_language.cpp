// Languages: the dialog at start-up, switching in place, and the English translation.

#include "app/langseldialog.h"
#include "dialogs/aboutdialog.h"
#include "dialogs/connectdata.h"
#include "dialogs/connectionsetup.h"
#include "dialogs/errorform.h"
#include "dialogs/paramloadseldialog.h"
#include "link/showsrvdebuginfo.h"
#include "testsupport.h"

#include <QAction>
#include <QListWidget>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>
#include <QXmlStreamReader>
#include <QtTest>

#include <qwt_plot.h>

namespace {

const QRegularExpression kChinese(QStringLiteral("[\\x{3000}-\\x{9fff}\\x{ff00}-\\x{ffef}]"));

// Every text in Chinese a user can read in `root` and its children.
QStringList chineseTexts(QWidget *root)
{
    QStringList texts;
    auto add = [&texts](const QObject *o, const QString &text) {
        if (text.contains(kChinese))
            texts.append(o->objectName() + QStringLiteral(": ") + text);
    };
    QList<QWidget *> widgets = root->findChildren<QWidget *>();
    widgets.prepend(root);
    for (QWidget *w : widgets) {
        for (const char *property : {"windowTitle", "text", "plainText", "title"})
            add(w, w->property(property).toString());
        if (auto *t = qobject_cast<QTabWidget *>(w))
            for (int i = 0; i < t->count(); ++i)
                add(t, t->tabText(i));
        else if (auto *c = qobject_cast<QComboBox *>(w))
            for (int i = 0; i < c->count(); ++i)
                add(c, c->itemText(i));
        else if (auto *list = qobject_cast<QListWidget *>(w)) {
            // A language is listed in its own name.
            if (list->objectName() != QLatin1String("listWidget_Lang"))
                for (int i = 0; i < list->count(); ++i)
                    add(list, list->item(i)->text());
        } else if (auto *table = qobject_cast<QTableWidget *>(w)) {
            for (int c = 0; c < table->columnCount(); ++c) {
                if (QTableWidgetItem *h = table->horizontalHeaderItem(c))
                    add(table, h->text());
                for (int r = 0; r < table->rowCount(); ++r)
                    if (QTableWidgetItem *item = table->item(r, c))
                        add(table, item->text());
            }
        } else if (auto *tree = qobject_cast<QTreeWidget *>(w)) {
            for (QTreeWidgetItemIterator it(tree); *it; ++it)
                add(tree, (*it)->text(0));
        } else if (auto *plot = qobject_cast<QwtPlot *>(w)) {
            add(plot, plot->title().text());
            for (int axis = 0; axis < QwtPlot::axisCnt; ++axis)
                add(plot, plot->axisTitle(axis).text());
        }
        for (QAction *a : w->actions())
            add(a, a->text());
    }
    return texts;
}

} // namespace

class TestLanguage : public QObject, private DriveFixture
{
    Q_OBJECT

private:
    void start()
    {
        startApp();
        // What the program does at start-up when a language is remembered.
        if (app->langSel->langFound())
            emit app->langSel->LanguageChange(app->langSel->curLang(), false);
    }
    QListWidget *languageList() const { return app->langSel->findChild<QListWidget *>(QStringLiteral("listWidget_Lang")); }
    void switchTo(const QString &code) { emit app->langSel->LanguageChange(code, false); }
    QString readAllText() const { return widget<QPushButton>("pushButton_ReadAllParam")->text(); }
    bool hasDefinitions() const { return window()->definitions().findParam(QStringLiteral("P00_01")); }

private slots:
    void init()
    {
        openCase();
        dir->addTranslations();
        dir->remove(QStringLiteral("config.ini"));
    }
    void cleanup()
    {
        closeCase();
        // Later tests start in Chinese, whatever this one switched to.
        for (QTranslator *t : QCoreApplication::instance()->findChildren<QTranslator *>())
            QCoreApplication::removeTranslator(t);
    }

    void everyTextOfTheToolHasAnEnglishTranslation()
    {
        // Merged into a copy of the committed file, a text missing there or untranslated is unfinished.
        const QString ts = dir->path(QStringLiteral("en_US_app.ts"));
        QVERIFY(QFile::copy(QStringLiteral(SERVO_SOURCE_DIR "/translations/en_US_app.ts"), ts));
        QProcess lupdate;
        lupdate.setWorkingDirectory(QStringLiteral(SERVO_SOURCE_DIR));
        const QString arguments = QStringLiteral("-locations none app dialogs mainwindow link definitions forms -ts");
        lupdate.start(QStringLiteral(LUPDATE_PATH), arguments.split(QLatin1Char(' ')) << ts);
        QVERIFY(lupdate.waitForFinished(60000));
        QVERIFY2(lupdate.exitCode() == 0, lupdate.readAllStandardError().constData());
        int inUse = 0;
        QString source;
        QStringList untranslated;
        QXmlStreamReader xml(dir->read(QStringLiteral("en_US_app.ts")));
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            if (xml.name() == QLatin1String("source"))
                source = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            if (xml.name() != QLatin1String("translation"))
                continue;
            const QString type = xml.attributes().value(QStringLiteral("type")).toString();
            const QString text = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            if (type == QLatin1String("vanished") || type == QLatin1String("obsolete"))
                continue;
            ++inUse;
            if (type == QLatin1String("unfinished") || text.isEmpty() || text.contains(kChinese))
                untranslated.append(source);
        }
        QVERIFY2(inUse > 300, qPrintable(QString::number(inUse)));
        QVERIFY2(untranslated.isEmpty(), qPrintable(QStringLiteral("untranslated in translations/en_US_app.ts (run lupdate):\n")
                                                    + untranslated.join(QLatin1Char('\n'))));
    }

    void withoutConfigTheChoiceIsWritten_data()
    {
        QTest::addColumn<QString>("button"); // none: a double click on the entry
        QTest::newRow("English, then the button") << QStringLiteral("pushButton_UseSelLang");
        QTest::newRow("double click on English") << QString();
        // The system's language, or the shipped one closest to it, whatever is selected.
        QTest::newRow("use current") << QStringLiteral("pushButton_UseCurLang");
    }

    void withoutConfigTheChoiceIsWritten()
    {
        QFETCH(QString, button);
        start();
        app->langSel->show();
        const bool current = button == QLatin1String("pushButton_UseCurLang");
        const QString language = current ? app->langSel->curLang() : QStringLiteral("en_US");
        const auto english = languageList()->findItems(QStringLiteral("(en_US)"), Qt::MatchEndsWith).value(0);
        const QPoint at = languageList()->visualItemRect(english).center();
        QTest::mouseClick(languageList()->viewport(), Qt::LeftButton, {}, at);
        if (button.isEmpty())
            QTest::mouseDClick(languageList()->viewport(), Qt::LeftButton, {}, at);
        else
            app->langSel->findChild<QPushButton *>(button)->click();
        QVERIFY(!app->langSel->isVisible());
        QCOMPARE(QSettings(QStringLiteral("config.ini"), QSettings::IniFormat).value(QStringLiteral("Basic/Language")).toString(),
                 language);
        QVERIFY(hasDefinitions());
        QCOMPARE(window()->statusBar()->currentMessage(),
                 language == QLatin1String("en_US") ? QStringLiteral("Language switched!") : QStringLiteral("语言切换完成！"));
    }

    void aRememberedLanguageStartsWithoutTouchingConfig_data()
    {
        QTest::addColumn<QByteArray>("saved");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("readAll");
        QTest::newRow("shipped") << QByteArray("en_US") << QStringLiteral("en_US") << QStringLiteral("Read All");
        // Not shipped, saved by an older version: the closest shipped one.
        QTest::newRow("German") << QByteArray("de_DE") << QStringLiteral("en_US") << QStringLiteral("Read All");
        QTest::newRow("other Chinese") << QByteArray("zh_TW") << QStringLiteral("zh_CN") << QStringLiteral("读取全部参数");
    }

    void aRememberedLanguageStartsWithoutTouchingConfig()
    {
        QFETCH(QByteArray, saved);
        QFETCH(QString, language);
        const QByteArray config = "[Basic]\nLanguage=" + saved + "\n\n[Other]\nmainwindow_title=\n";
        dir->write(QStringLiteral("config.ini"), config);
        start();
        QTEST(readAllText(), "readAll");
        QVERIFY(hasDefinitions());
        QCOMPARE(app->langSel->windowTitle(), app->langSel->languages().value(language).LangDlgTitle);
        // "Use current" on a remembered language saves nothing either.
        app->langSel->showLangSelDlg();
        app->langSel->findChild<QPushButton *>(QStringLiteral("pushButton_UseCurLang"))->click();
        QCOMPARE(dir->read(QStringLiteral("config.ini")), config);
    }

    void whatCannotBeLoadedLeavesTheToolInChinese_data()
    {
        QTest::addColumn<bool>("broken");
        QTest::addColumn<QString>("language");
        QTest::newRow("a language without files") << false << QStringLiteral("fr_FR");
        // The English definitions still load: only the interface texts fail.
        QTest::newRow("broken list and translation") << true << QStringLiteral("en_US");
    }

    void whatCannotBeLoadedLeavesTheToolInChinese()
    {
        QFETCH(bool, broken);
        QFETCH(QString, language);
        if (broken) {
            dir->write(QStringLiteral("translations/en_US_app.qm"), QByteArray(4096, '\x5A'));
            // Cut off: what came before stays, an item without a code is left out, a later one wins.
            dir->write(QStringLiteral("ParameterFile/01-LanguageSelect.xml"),
                       "<Root><Language><LangItem><LangType>aa</LangType><LangInfo>A</LangInfo></LangItem>"
                       "<LangItem><LangInfo>no code</LangInfo></LangItem>"
                       "<LangItem><LangType>aa</LangType><LangInfo>A2</LangInfo></LangItem>"
                       "<LangItem><LangType>bb</LangType><LangIn");
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("language list")));
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("translations/en_US_app.qm")));
        } else {
            prompts->expect(QStringLiteral("参数定义文件没有完整载入。"));
        }
        start();
        QCOMPARE(languageList()->count(), broken ? 1 : 2);
        QCOMPARE(languageList()->item(0)->text(), broken ? QStringLiteral("A2 (aa)") : QStringLiteral("English (en_US)"));
        switchTo(language);
        QCOMPARE(readAllText(), QStringLiteral("读取全部参数"));
        QCOMPARE(hasDefinitions(), broken);
        QCOMPARE(window()->definitions().faultTable.isEmpty(), !broken);
    }

    // After a switch every window and box speaks English; the drive's model and edited values stay.
    void switchingSpeaksEnglishAndKeepsEveryValue()
    {
        start();
        MainWindow *w = window();
        w->showFaultCode(0x0101);
        // An unknown drive opens the definitions dialog; then a VMR-B2 drive is identified and edited.
        Ident::identify(w, QByteArray(12, '\0'));
        Ident::identify(w, Ident::words(0x0002, 0x0B02, 0x0001, 0x0064));
        ParamRecord *p = w->definitions().findParam(QStringLiteral("P00_01"));
        const QString chineseName = p->parametername;
        p->currentValue = QStringLiteral("2");
        p->changeText = QStringLiteral("0 → 2");
        p->state |= ParamState::Changed | ParamState::Checked;

        switchTo(QStringLiteral("en_US"));
        // Dialogs that follow the translators on the language-change event.
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
        const QList<QWidget *> windows = {w, app->connectionSetup, app->connectData, app->about, app->errors,
                                          app->langSel, app->debugInfo, w->paramLoadDialog()};
        QStringList chinese;
        for (int page = 0; page < 5; ++page) {
            w->findChild<QListWidget *>(QStringLiteral("listWidget"))->setCurrentRow(page);
            for (QWidget *window : windows)
                chinese += chineseTexts(window);
        }
        chinese.removeDuplicates();
        QVERIFY2(chinese.isEmpty(), qPrintable(chinese.join(QLatin1Char('\n'))));
        QCOMPARE(w->windowTitle(), QStringLiteral("Vemar Servo Commissioning Tool V1.1.9.23080501"));
        prompts->expect(QStringLiteral("Not connected. Please connect to the drive first!"));
        w->ProductSerial_Query();
        QVERIFY(prompts->hasText(QStringLiteral("Not connected. Please connect to the drive first!")));
        QCOMPARE(w->definitionFileName(), QStringLiteral("Parameter_B2.xml"));
        p = w->definitions().findParam(QStringLiteral("P00_01"));
        QVERIFY(!p->parametername.contains(kChinese));
        QCOMPARE(p->currentValue, QStringLiteral("2"));
        QCOMPARE(p->changeText, QStringLiteral("0 → 2"));
        QVERIFY((p->state & ParamState::Changed) && (p->state & ParamState::Checked));

        switchTo(QStringLiteral("zh_CN"));
        p = w->definitions().findParam(QStringLiteral("P00_01"));
        QCOMPARE(p->parametername, chineseName);
        QCOMPARE(p->currentValue, QStringLiteral("2"));
        QCOMPARE(w->deviceModelText(), QStringLiteral("VMR-B2-0B02"));
    }
};

QTEST_MAIN(TestLanguage)
#include "tst_language.moc"
