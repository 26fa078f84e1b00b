// Every page and dialog reads whole on a small screen, in Chinese and in
// English; and where the main window opens.

#include "app/langseldialog.h"
#include "app/windowplace.h"
#include "dialogs/connectdata.h"
#include "testsupport.h"

#include <QTextDocument>
#include <QHeaderView>
#include <QListWidget>
#include <QStackedWidget>
#include <QtTest>

Q_DECLARE_METATYPE(QList<QRect>)

namespace {

const int kTaskBar = 40;
const QMargins kFrame(8, 32, 8, 8);

// The visible texts under `root` that their room cuts, unless shown with "…"
// and the whole text as tooltip.
QStringList cutTexts(QWidget *root)
{
    QStringList cut;
    const auto check = [&](QWidget *w, bool narrow, const QString &text, const QString &shown, const QString &tip) {
        if (narrow && !text.isEmpty()
            && !(shown.contains(QChar(0x2026)) && (tip == text || tip == Qt::convertFromPlainText(text))))
            cut << QStringLiteral("%1/%2: %3").arg(root->objectName(), w->objectName(), text);
    };
    const QString elided(QChar(0x2026));
    for (QWidget *w : root->findChildren<QWidget *>()) {
        if (!w->isVisible())
            continue;
        if (qobject_cast<QLabel *>(w) || qobject_cast<QAbstractButton *>(w)) {
            const QString text = w->property("text").toString();
            const QVariant shown = w->property("shownText"); // drawn cut by the program
            check(w, !w->property("wordWrap").toBool() && w->width() < w->sizeHint().width(), text,
                  shown.isValid() ? shown.toString() : text, w->toolTip());
        } else if (auto *header = qobject_cast<QHeaderView *>(w)) {
            const int margin = 2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
            for (int i = 0; i < header->count() && header->orientation() == Qt::Horizontal; ++i) {
                const QString text = header->model()->headerData(i, Qt::Horizontal).toString();
                check(header->parentWidget(), !header->isSectionHidden(i)
                          && header->sectionSize(i) < header->fontMetrics().horizontalAdvance(text) + margin,
                      text, elided, header->model()->headerData(i, Qt::Horizontal, Qt::ToolTipRole).toString());
            }
        } else if (auto *view = qobject_cast<QAbstractItemView *>(w)) {
            // A list does not scroll sideways: its viewport is the room, unless it wraps lines.
            const auto *list = qobject_cast<QListView *>(view);
            QList<QModelIndex> indexes{view->rootIndex()};
            for (int at = 0; at < indexes.size() && !(list && list->wordWrap()); ++at) {
                for (int row = 0; row < view->model()->rowCount(indexes.at(at)); ++row) {
                    for (int column = 0; column < view->model()->columnCount(indexes.at(at)); ++column) {
                        const QModelIndex index = view->model()->index(row, column, indexes.at(at));
                        indexes << index;
                        const QRect rect = view->visualRect(index);
                        const int room = list ? qMin(rect.width(), view->viewport()->width() - rect.left()) : rect.width();
                        check(w, !rect.isEmpty() && room < view->sizeHintForIndex(index).width(), index.data().toString(),
                              view->textElideMode() == Qt::ElideNone ? QString() : elided,
                              index.data(Qt::ToolTipRole).toString());
                    }
                }
            }
        }
    }
    return cut;
}

void settle()
{
    for (int round = 0; round < 3; ++round) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QCoreApplication::processEvents();
    }
}

} // namespace

class TestTextFits : public QObject, private DriveFixture
{
    Q_OBJECT

private slots:
    void init() { openCase(); }
    void cleanup() { closeCase(); }

    // The window in a small screen's room (its task bar and the window's frame taken), every page
    // and dialog shown in turn: the window needs no more room, and no text is cut.
    void everyPageAndDialogReadsWhole_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QSize>("screen");
        for (const QSize screen : {QSize(1366, 768), QSize(1280, 720)}) {
            QTest::addRow("Chinese %dx%d", screen.width(), screen.height()) << QStringLiteral("zh_CN") << screen;
            QTest::addRow("English %dx%d", screen.width(), screen.height()) << QStringLiteral("en_US") << screen;
        }
    }

    void everyPageAndDialogReadsWhole()
    {
        QFETCH(QString, language);
        QFETCH(QSize, screen);
        const QSize room = (QRect(QPoint(), screen).adjusted(0, 0, 0, -kTaskBar) - kFrame).size();
        dir->addTranslations();
        dir->write(QStringLiteral("config.ini"), "[Other]\nwaveform_import=Show\n[Basic]\nLanguage=" + language.toLatin1() + "\n");
        startApp();
        emit app->langSel->LanguageChange(language, false);
        MainWindow *w = window();
        w->setWindowState(Qt::WindowNoState);
        w->resize(room);
        w->show();
        Ident::identify(w, Ident::payload(0x1234, 0xABCD, 0x0003, 0x0068)); // unknown: the load-source dialog
        widget<QPushButton>("pushButton_ParamDiff")->click();
        QStringList cut;
        auto *pages = widget<QListWidget>("listWidget");
        auto *runPages = widget<QStackedWidget>("stackedWidget_MaunalRun");
        for (int page = 0; page < pages->count(); ++page) {
            pages->setCurrentRow(page);
            for (int step = 0; step < (page == MainWindow::RunPage ? runPages->count() : 1); ++step) {
                runPages->setCurrentIndex(step);
                settle();
                cut << cutTexts(w);
            }
        }
        QCOMPARE(w->size(), room);
        uint8_t frame[200] = {}; // a line wider than the traffic monitor
        app->connectData->showComTRData(frame, sizeof frame, 0);
        for (QWidget *dialog : QApplication::topLevelWidgets()) {
            if (dialog == w || !(dialog->windowType() == Qt::Dialog || dialog->windowType() == Qt::Window))
                continue;
            dialog->show();
            settle();
            QVERIFY2(dialog->width() <= room.width() && dialog->height() <= room.height(), qPrintable(dialog->objectName()));
            cut << cutTexts(dialog);
            dialog->hide();
        }
        cut.removeDuplicates();
        for (const QString &text : qAsConst(cut))
            qWarning("cut: %s", qPrintable(text));
        QVERIFY2(cut.isEmpty(), "texts cut, listed above");
    }

    // Screens as their available areas, the primary first.
    void windowPlacement_data()
    {
        QTest::addColumn<QRect>("remembered");
        QTest::addColumn<QList<QRect>>("screens");
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<bool>("maximised");
        const QRect laptop(0, 0, 1366, 768 - kTaskBar), small(0, 0, 1280, 720 - kTaskBar), large(0, 0, 1920, 1040);
        const QRect saved(100, 80, 1000, 560), second(1920, 0, 1366, 768 - kTaskBar);
        QTest::newRow("first run, 1366x768") << QRect() << QList<QRect>{laptop} << laptop - kFrame << true;
        QTest::newRow("first run, large") << QRect() << QList<QRect>{large} << QRect(285, 87, 1350, 890) << false;
        QTest::newRow("restored") << saved << QList<QRect>{small} << saved << false;
        QTest::newRow("partly below") << saved.translated(0, 400) << QList<QRect>{laptop} << QRect(100, 160, 1000, 560) << false;
        QTest::newRow("on the second screen") << saved.translated(2100, 0) << QList<QRect>{laptop, second}
                                              << saved.translated(2100, 0) << false;
        QTest::newRow("that screen unplugged") << saved.translated(2100, 0) << QList<QRect>{laptop} << QRect(183, 96, 1000, 560) << false;
        QTest::newRow("larger than the screen") << QRect(50, 40, 1800, 1000) << QList<QRect>{small} << small - kFrame << false;
    }

    void windowPlacement()
    {
        QFETCH(QRect, remembered);
        QFETCH(QList<QRect>, screens);
        const WindowPlace::Place place = WindowPlace::place(remembered, false, screens, kFrame, QSize(1350, 890));
        QTEST(place.rect, "rect");
        QTEST(place.maximised, "maximised");
    }

    // Closed maximised, the window's normal place is saved beside the user's
    // other settings, and the next run opens it there, maximised.
    void placeRememberedAcrossRuns()
    {
        dir->write(QStringLiteral("config.ini"), "[Other]\nmainwindow_title=Bench 3\n");
        const QRect place(40, 60, 700, 450); // on the offscreen screen's 800 × 600
        MainWindow *w = startWindow();
        w->show();
        w->setWindowState(Qt::WindowNoState);
        w->setGeometry(place);
        w->setWindowState(Qt::WindowMaximized);
        QVERIFY(w->close());
        QVERIFY(dir->read(QStringLiteral("config.ini")).contains("mainwindow_title=Bench 3"));
        standalone.reset();
        w = startWindow();
        QCOMPARE(w->geometry(), place);
        QVERIFY(w->windowState() & Qt::WindowMaximized);
    }
};

QTEST_MAIN(TestTextFits)
#include "tst_textfits.moc"
