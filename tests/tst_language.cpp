// Languages: the language list, the language dialog and the start-up flow,
// switching the whole tool in place, and the completeness of the English
// translation.

#include "app/langfile.h"
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

// (context, source) -> translation of a .ts file; unfinished ones map to
// an empty text.
QMap<QPair<QString, QString>, QString> readTs(const QString &path)
{
    QMap<QPair<QString, QString>, QString> messages;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return messages;
    QXmlStreamReader xml(&file);
    QString context, source;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("name"))
            context = xml.readElementText();
        else if (xml.name() == QLatin1String("source"))
            source = xml.readElementText(QXmlStreamReader::IncludeChildElements);
        else if (xml.name() == QLatin1String("translation")) {
            const bool unfinished = xml.attributes().value(QStringLiteral("type")) == QLatin1String("unfinished");
            const QString text = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            messages.insert({context, source}, unfinished ? QString() : text);
        }
    }
    return messages;
}

// Every text a user can read in `root` and its children: titles, texts,
// tabs, list and combo entries, table and tree headers and cells, actions,
// plot titles.
QStringList visibleTexts(QWidget *root)
{
    QStringList texts;
    auto add = [&texts](const QObject *o, const QString &text) {
        if (!text.isEmpty())
            texts.append(o->objectName() + QStringLiteral(": ") + text);
    };
    QList<QWidget *> widgets = root->findChildren<QWidget *>();
    widgets.prepend(root);
    for (QWidget *w : widgets) {
        if (w->isWindow())
            add(w, w->windowTitle());
        // Labels, buttons, line and text edits, group boxes, menus.
        for (const char *property : {"text", "plainText", "title"})
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

QStringList chineseIn(const QStringList &texts)
{
    QStringList found;
    for (const QString &t : texts)
        if (t.section(QStringLiteral(": "), 1).contains(kChinese))
            found.append(t);
    return found;
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
    QListWidgetItem *languageItem(const QString &code) const
    {
        for (int i = 0; i < languageList()->count(); ++i)
            if (languageList()->item(i)->text().endsWith(QStringLiteral("(%1)").arg(code)))
                return languageList()->item(i);
        return nullptr;
    }
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

    // --- The translation files ---------------------------------------------------

    void everyTextOfTheToolHasAnEnglishTranslation()
    {
        // The texts in the sources now, as the translation tool finds them,
        // against the committed translation file.
        const QString fresh = dir->path(QStringLiteral("fresh.ts"));
        QProcess lupdate;
        lupdate.setWorkingDirectory(QStringLiteral(SERVO_SOURCE_DIR));
        lupdate.start(QStringLiteral(LUPDATE_PATH),
                      {QStringLiteral("-locations"), QStringLiteral("none"), QStringLiteral("app"), QStringLiteral("dialogs"),
                       QStringLiteral("mainwindow"), QStringLiteral("link"), QStringLiteral("definitions"),
                       QStringLiteral("forms"), QStringLiteral("-ts"), fresh});
        QVERIFY(lupdate.waitForFinished(60000));
        QVERIFY2(lupdate.exitCode() == 0, lupdate.readAllStandardError().constData());
        const auto current = readTs(fresh);
        const auto committed = readTs(QStringLiteral(SERVO_SOURCE_DIR "/translations/en_US_app.ts"));
        QVERIFY2(current.size() > 300, qPrintable(QString::number(current.size())));
        QStringList missing, untranslated;
        for (auto it = current.cbegin(); it != current.cend(); ++it) {
            const QString where = it.key().first + QStringLiteral(": ") + it.key().second;
            if (!committed.contains(it.key()))
                missing.append(where);
            else if (committed.value(it.key()).isEmpty() || committed.value(it.key()).contains(kChinese))
                untranslated.append(where);
        }
        QVERIFY2(missing.isEmpty(), qPrintable(QStringLiteral("not in translations/en_US_app.ts (run lupdate):\n")
                                               + missing.join(QLatin1Char('\n'))));
        QVERIFY2(untranslated.isEmpty(), qPrintable(untranslated.join(QLatin1Char('\n'))));
    }

    void languageListReader()
    {
        // Cut off in the second item: the first stays; an item without a
        // code is left out; a later item replaces an earlier one.
        dir->write(QStringLiteral("l.xml"),
                   "<Root><Language><LangItem><LangType>aa</LangType><LangInfo>A</LangInfo></LangItem>"
                   "<LangItem><LangInfo>no code</LangInfo></LangItem>"
                   "<LangItem><LangType>aa</LangType><LangInfo>A2</LangInfo></LangItem>"
                   "<LangItem><LangType>bb</LangType><LangIn");
        QString error;
        const auto cut = LangFile::read(dir->path(QStringLiteral("l.xml")), &error);
        QCOMPARE(cut.keys(), QStringList(QStringLiteral("aa")));
        QCOMPARE(cut.first().LangInfo, QStringLiteral("A2"));
        QVERIFY(!error.isEmpty());
    }

    // --- Start-up ------------------------------------------------------------------

    void withoutConfigTheChoiceIsWritten_data()
    {
        QTest::addColumn<bool>("doubleClick");
        QTest::newRow("selected, then the button") << false;
        QTest::newRow("double click") << true;
    }

    void withoutConfigTheChoiceIsWritten()
    {
        QFETCH(bool, doubleClick);
        start();
        QVERIFY(!app->langSel->langFound());
        QListWidgetItem *english = languageItem(QStringLiteral("en_US"));
        QVERIFY(english);
        app->langSel->show();
        const QPoint at = languageList()->visualItemRect(english).center();
        QTest::mouseClick(languageList()->viewport(), Qt::LeftButton, {}, at);
        if (doubleClick)
            QTest::mouseDClick(languageList()->viewport(), Qt::LeftButton, {}, at);
        else
            app->langSel->findChild<QPushButton *>(QStringLiteral("pushButton_UseSelLang"))->click();
        QVERIFY(!app->langSel->isVisible());
        QCOMPARE(QSettings(QStringLiteral("config.ini"), QSettings::IniFormat).value(QStringLiteral("Basic/Language")).toString(),
                 QStringLiteral("en_US"));
        QCOMPARE(window()->statusBar()->currentMessage(), QStringLiteral("Language switched!"));
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
        QVERIFY(app->langSel->langFound());
        QCOMPARE(app->langSel->curLang(), language);
        QCOMPARE(dir->read(QStringLiteral("config.ini")), config);
        QTEST(readAllText(), "readAll");
        QVERIFY(hasDefinitions());
        // The dialog speaks the language, from the language list.
        QCOMPARE(app->langSel->windowTitle(), app->langSel->languages().value(language).LangDlgTitle);
    }

    void useCurrentSavesOnlyALanguageFromTheSystem()
    {
        dir->write(QStringLiteral("config.ini"), "[Basic]\nLanguage=zh_CN\n");
        start();
        QSignalSpy remembered(app->langSel, &LangSelDialog::LanguageChange);
        app->langSel->showLangSelDlg();
        app->langSel->findChild<QPushButton *>(QStringLiteral("pushButton_UseCurLang"))->click();
        QCOMPARE(remembered.size(), 1);
        QCOMPARE(remembered.at(0).at(1).toBool(), false);
        app.reset();

        // The system's language, or a shipped one for a locale the tool does
        // not ship (the C locale here), to be saved, with its parameters.
        dir->remove(QStringLiteral("config.ini"));
        start();
        QSignalSpy fromSystem(app->langSel, &LangSelDialog::LanguageChange);
        app->langSel->findChild<QPushButton *>(QStringLiteral("pushButton_UseCurLang"))->click();
        QCOMPARE(fromSystem.size(), 1);
        const QString chosen = fromSystem.at(0).at(0).toString();
        QVERIFY2(app->langSel->languages().contains(chosen), qPrintable(chosen));
        QCOMPARE(fromSystem.at(0).at(1).toBool(), true);
        QVERIFY(hasDefinitions());
    }

    // --- Switching -----------------------------------------------------------------

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
            dir->write(QStringLiteral("ParameterFile/01-LanguageSelect.xml"), "<Root><Language><LangItem><LangTy");
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("language list")));
        } else {
            prompts->expect(QStringLiteral("参数定义文件没有完整载入。"));
        }
        start();
        QCOMPARE(languageList()->count(), broken ? 0 : 2);
        if (broken)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("translations/en_US_app.qm")));
        switchTo(language);
        QCOMPARE(readAllText(), QStringLiteral("读取全部参数"));
        QCOMPARE(hasDefinitions(), broken);
        QCOMPARE(window()->definitions().faultTable.isEmpty(), !broken);
    }

    void switchingKeepsTheModelAndEveryValue()
    {
        start();
        MainWindow *w = window();
        // A VMR-B2 drive was identified, read and edited.
        Ident::identify(w, Ident::words(0x0002, 0x0B02, 0x0001, 0x0064));
        QCOMPARE(w->definitionFileName(), QStringLiteral("Parameter_B2.xml"));
        ParamRecord *p = w->definitions().findParam(QStringLiteral("P00_01"));
        const QString chineseName = p->parametername;
        p->currentValue = QStringLiteral("2");
        p->changeText = QStringLiteral("0 → 2");
        p->state |= ParamState::Changed | ParamState::Checked;

        switchTo(QStringLiteral("en_US"));
        QCOMPARE(w->definitionFileName(), QStringLiteral("Parameter_B2.xml"));
        p = w->definitions().findParam(QStringLiteral("P00_01"));
        QVERIFY(p);
        QVERIFY(p->parametername != chineseName);
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

    void everyWindowSpeaksEnglishAfterASwitch()
    {
        start();
        MainWindow *w = window();
        w->showFaultCode(0x0101);
        // Windows that exist only on demand.
        Ident::identify(w, QByteArray(12, '\0'));
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
                chinese += chineseIn(visibleTexts(window));
        }
        chinese.removeDuplicates();
        QVERIFY2(chinese.isEmpty(), qPrintable(chinese.join(QLatin1Char('\n'))));
        QCOMPARE(w->windowTitle(), QStringLiteral("Vemar Servo Commissioning Tool V1.1.9.23080501"));

        // Message boxes as well.
        prompts->expect(QStringLiteral("Not connected. Please connect to the drive first!"));
        w->ProductSerial_Query();
        QCOMPARE(prompts->boxes.last().text, QStringLiteral("Not connected. Please connect to the drive first!"));
    }
};

QTEST_MAIN(TestLanguage)
#include "tst_language.moc"
