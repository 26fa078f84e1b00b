// The waveform page against the simulated drive: capturing at both rates
// without losing a sample set, the page's controls, saving and importing
// waveform files, dropping files on the window and exporting pictures.

#include "link/platform.h"
#include "mainwindow/fastcurve.h"
#include "mainwindow/wavefile.h"
#define SERVO_TEST_LENIENT_BOXES // its boxes are not declared yet
#include "testsupport.h"

#include <qwt_plot.h>
#include <qwt_scale_div.h>

#include <QDial>
#include <QListWidget>
#include <QMimeData>
#include <QSpinBox>
#include <QStackedWidget>
#include <QToolButton>
#include <QtTest>

#include <sys/stat.h>

class TestWavePage : public QObject, private DriveFixture
{
    Q_OBJECT

private:
    QByteArray savedHome;

    const WaveCapture &wave() const { return window()->waveCapture(); }
    QwtPlot *plot() const { return widget<QwtPlot>("qwtPlot"); }
    FastCurve *curve(int channel) const
    {
        const QwtPlotItemList items = plot()->itemList(QwtPlotItem::Rtti_PlotCurve);
        return static_cast<FastCurve *>(items.at(channel));
    }
    int boxesTitled(const QString &title) const
    {
        int n = 0;
        for (const Prompt::Box &box : prompts->boxes)
            n += box.title == title;
        return n;
    }
    QString lastText(const QString &title) const
    {
        for (int i = prompts->boxes.size() - 1; i >= 0; --i)
            if (prompts->boxes.at(i).title == title)
                return prompts->boxes.at(i).text;
        return QString();
    }

    void startOnWavePage()
    {
        QVERIFY(startDrive(dir->path(QStringLiteral("ParameterFile/zh_CN_Parameter.xml"))));
        startApp();
        widget<QListWidget>("listWidget")->setCurrentRow(MainWindow::WavePage);
    }

    // Streams a counting ramp on every channel, so that a lost sample set
    // shows as a gap.
    void streamRamps(int rate)
    {
        WaveGenerator::Settings settings;
        settings.rate = rate;
        settings.patterns = {{WavePattern::Ramp, WavePattern::Ramp, WavePattern::Ramp, WavePattern::Ramp}};
        drive->setWaveSettings(settings);
        drive->withModel([](DriveModel &m) { m.setPatternMode(true); });
    }

    void verifyNoGaps(float period)
    {
        const QVector<QPointF> &a = wave().raw(0);
        QVERIFY(a.size() > 1);
        for (int i = 1; i < a.size(); ++i) {
            if (qint16(qint16(a[i - 1].y()) + 1) != qint16(a[i].y()))
                QFAIL(qPrintable(QStringLiteral("gap after point %1: %2 then %3").arg(i - 1).arg(a[i - 1].y()).arg(a[i].y())));
            QVERIFY(qAbs(a[i].x() - a[i - 1].x() - double(period)) < 1e-9);
        }
        for (int c = 1; c < WaveCapture::kChannels; ++c)
            QCOMPARE(wave().raw(c), a);
    }

    void captureSome(int points)
    {
        widget<QPushButton>("pushButton_waveformRec")->click();
        QTRY_VERIFY_WITH_TIMEOUT(wave().count() >= points, 15000);
        widget<QPushButton>("pushButton_waveformRec")->click();
        QTRY_VERIFY(!drive->withModel([](DriveModel &m) { return m.streaming(); }));
    }

    // `count` sample sets counting up from `from` on every channel.
    static QByteArray ramp(int from, int count)
    {
        QByteArray bytes;
        for (int n = from; n < from + count; ++n)
            for (int c = 0; c < WaveCapture::kChannels; ++c)
                bytes.append(char(n >> 8)).append(char(n & 0xFF));
        return bytes;
    }

    void importFile(const QByteArray &bytes)
    {
        dir->write(QStringLiteral("in.csv"), bytes);
        window()->importWaveData(dir->path(QStringLiteral("in.csv")));
    }

    bool dropOnWindow(const QList<QUrl> &urls)
    {
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window(), &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window(), &drop);
        return true;
    }

private slots:
    void init()
    {
        openCase();
        // Quick saves go to the documents folder of this home.
        savedHome = qgetenv("HOME");
        qputenv("HOME", dir->path(QStringLiteral("home")).toLocal8Bit());
        Platform::setSystemPortLister([] { return QStringList(); });
    }

    void cleanup()
    {
        closeCase();
        qputenv("HOME", savedHome);
    }

    void captureAtOneKilohertzLosesNothing()
    {
        startOnWavePage();
        QVERIFY(connectToDrive());
        streamRamps(1000);
        captureSome(3000);
        verifyNoGaps(0.001f);
        QCOMPARE(wave().raw(0).first().x(), 0.0);
        // The time axis scrolled with the newest point.
        QVERIFY(plot()->axisScaleDiv(QwtPlot::xBottom).upperBound() >= wave().raw(0).last().x() - 0.1);
        QCOMPARE(widget<QDial>("dial_horizontal")->value(), 27);
        QVERIFY(widget<QComboBox>("Channel_A")->isEnabled());

        // A new capture starts clean: no stale bytes, an eighth of the window
        // shown even though the dial already stands at 27.
        window()->waveform_recvDataFromThread(QByteArray(16, '\x7f'));
        QVERIFY(wave().buffered() > 0);
        widget<QPushButton>("pushButton_waveformRec")->click();
        QCOMPARE(wave().buffered(), 0);
        QCOMPARE(wave().count(), 0);
        QVERIFY(qAbs(plot()->axisScaleDiv(QwtPlot::xBottom).range() - 1.25) < 1e-9);
        widget<QPushButton>("pushButton_waveformRec")->click();
    }

    void captureAtTenKilohertzLosesNothing()
    {
        dir->write(QStringLiteral("appsetting.ini"), "[Func]\nWaveFormRate10Khz=true\nTestXml=false\nUseCompare=true\n");
        startOnWavePage();
        QVERIFY(connectToDrive());
        streamRamps(10000);
        widget<QPushButton>("pushButton_waveformRec")->click();
        QTRY_VERIFY_WITH_TIMEOUT(wave().count() >= 20000, 15000);
        // Leaving the page ends the capture.
        widget<QListWidget>("listWidget")->setCurrentRow(MainWindow::ParamPage);
        QTRY_VERIFY(!drive->withModel([](DriveModel &m) { return m.streaming(); }));
        QCOMPARE(widget<QPushButton>("pushButton_waveformRec")->text(), QStringLiteral("开始采样"));
        verifyNoGaps(0.0001f);
    }

    void channelsCarryWhatTheListsSelect()
    {
        startOnWavePage();
        QVERIFY(connectToDrive());
        widget<QPushButton>("pushButton_WF_Sel_Spd")->click();
        widget<QComboBox>("comboBox_WF_CH3_Scale")->setCurrentText(QStringLiteral("10"));
        const QString a = widget<QComboBox>("Channel_A")->currentText();
        const QString d = widget<QComboBox>("Channel_D")->currentText();
        widget<QPushButton>("pushButton_waveformRec")->click();
        QTRY_VERIFY(drive->withModel([](DriveModel &m) { return m.streaming(); }));
        const auto streamed = drive->withModel([](DriveModel &m) { return m.streamedQuantities(); });
        QCOMPARE(streamed[0], DriveDynamics::quantityNamed(a));
        QCOMPARE(streamed[3], DriveDynamics::quantityNamed(d));
        QVERIFY(streamed[0] != DriveDynamics::Quantity::Zero);
        // The lists are locked while the capture runs.
        QVERIFY(!widget<QComboBox>("Channel_A")->isEnabled());
        QVERIFY(!widget<QPushButton>("pushButton_WF_Sel_Pos")->isEnabled());

        // Another language meanwhile: the capture keeps its channels, scales,
        // names and switches.
        widget<QToolButton>("toolButton_CHB_OnOff")->click();
        QTRY_VERIFY(wave().count() > 0);
        const QString title = curve(0)->title().text();
        window()->LoadTranslation(QStringLiteral("en_US"), false);
        QCOMPARE(widget<QComboBox>("Channel_A")->currentIndex(), 1);
        QCOMPARE(widget<QComboBox>("Channel_B")->currentIndex(), 0);
        QCOMPARE(widget<QComboBox>("comboBox_WF_CH3_Scale")->currentText(), QStringLiteral("10"));
        QCOMPARE(widget<QToolButton>("toolButton_CHB_OnOff")->text(), QStringLiteral("OFF"));
        const int before = wave().count();
        QTRY_VERIFY(wave().count() > before);
        QCOMPARE(curve(0)->title().text(), title);
        widget<QPushButton>("pushButton_waveformRec")->click();
        QTRY_VERIFY(!drive->withModel([](DriveModel &m) { return m.streaming(); }));
    }

    void recordingNeedsALink()
    {
        startOnWavePage();
        widget<QPushButton>("pushButton_waveformRec")->click();
        QCOMPARE(boxesTitled(QStringLiteral("错误")), 1);
        QCOMPARE(lastText(QStringLiteral("错误")), QStringLiteral("通信未建立，请先连接设备！"));
        QCOMPARE(widget<QPushButton>("pushButton_waveformRec")->text(), QStringLiteral("开始采样"));
        QVERIFY(widget<QComboBox>("Channel_A")->isEnabled());

        // A link lost during a capture ends it, keeping what came: no stop
        // command is queued for a drive that is gone, and no box says so.
        QVERIFY(connectToDrive());
        widget<QPushButton>("pushButton_waveformRec")->click();
        QTRY_VERIFY(wave().count() > 0);
        QSignalSpy sent(window(), &MainWindow::put);
        server.reset();
        QTRY_VERIFY_WITH_TIMEOUT(!window()->isRecording(), 10000);
        QCOMPARE(widget<QPushButton>("pushButton_waveformRec")->text(), QStringLiteral("开始采样"));
        QVERIFY(widget<QComboBox>("Channel_A")->isEnabled());
        QVERIFY(wave().count() > 0);
        QVERIFY(!sent.contains({int(Cmd::WaveStop)}));
        QCOMPARE(boxesTitled(QStringLiteral("错误")), 1);
    }

    void lostSetsAndTheTailReachThePlotAndTheFile()
    {
        // Without a drive: the window hears that the link is up and gets
        // samples and losses as the worker hands them over.
        startOnWavePage();
        window()->comStateShow(1);
        widget<QPushButton>("pushButton_waveformRec")->click();
        // At 1 kHz the page plots batches of 50 sets. 30 sets below that
        // when 25 are lost come before the loss.
        window()->waveform_recvDataFromThread(ramp(0, 30));
        QCOMPARE(wave().count(), 0);
        window()->waveform_gapFromThread(25);
        window()->waveform_recvDataFromThread(ramp(30, 60));
        window()->waveform_recvDataFromThread(ramp(90, 7));

        // File points never join a running capture.
        importFile("速度反馈,速度指令,转矩指令,转矩反馈,\n1,2,3,4,\n");
        QCOMPARE(lastText(QStringLiteral("导入波形")), QStringLiteral("正在采样，请先停止采样再导入波形。"));
        QVERIFY(window()->isRecording());

        // The stop plots the 7 sets still below the threshold.
        widget<QPushButton>("pushButton_waveformRec")->click();
        QCOMPARE(wave().count(), 97);
        QCOMPARE(wave().length(), 122);
        QCOMPARE(wave().raw(2).at(30), QPointF(55 * double(0.001f), 30));
        // The curve breaks where the sets were lost.
        QCOMPARE(curve(2)->reduced(QwtScaleMap(), QwtScaleMap()).size(), 2);

        // Saved and imported, the points keep their time.
        const QVector<QPointF> captured = wave().raw(2);
        prompts->fileAnswers << dir->path(QStringLiteral("lost.csv"));
        window()->waveDataSaveAs();
        QCOMPARE(dir->read(QStringLiteral("lost.csv")).count(",,,,\n"), 25);
        window()->importWaveData(dir->path(QStringLiteral("lost.csv")));
        QCOMPARE(wave().raw(2), captured);
    }

    void scalesOffsetsAndSwitches()
    {
        startOnWavePage();
        importFile("速度反馈,速度指令,转矩指令,转矩反馈,#Model=,#Version=,,\n10,1,1,1,\n-40,2,2,2,\n");
        QCOMPARE(wave().count(), 2);
        auto *scaleA = widget<QComboBox>("comboBox_WF_CH1_Scale");
        auto *offsetA = widget<QSpinBox>("spinBox_WF_CH1_Offset");
        auto *switchA = widget<QToolButton>("toolButton_CHA_OnOff");

        scaleA->setCurrentText(QStringLiteral("0.05"));
        QCOMPARE(curve(0)->title().text(),
                 widget<QComboBox>("Channel_A")->currentText() + QStringLiteral("\nRate: 1 : 0.05 "));
        QVERIFY(qAbs(curve(0)->points().at(1).y() - (-2.0)) < 1e-6);

        offsetA->setValue(5);
        QVERIFY(qAbs(curve(0)->points().at(0).y() - 5.5) < 1e-6);

        // Off: the offset box no longer moves the curve, nor the offset kept
        // for when the channel comes back.
        switchA->click();
        QCOMPARE(switchA->text(), QStringLiteral("OFF"));
        QVERIFY(!curve(0)->isVisible());
        offsetA->setValue(100);
        switchA->click();
        QCOMPARE(switchA->text(), QStringLiteral("ON"));
        QVERIFY(curve(0)->isVisible());
        QVERIFY(qAbs(curve(0)->points().at(0).y() - 5.5) < 1e-6);

        for (const char *name : {"comboBox_WF_CH1_Scale", "comboBox_WF_CH2_Scale", "comboBox_WF_CH3_Scale",
                                 "comboBox_WF_CH4_Scale"})
            widget<QComboBox>(name)->setCurrentText(QStringLiteral("1"));
        offsetA->setValue(0);
        // A peak of -40 makes the axis +-40, which puts the vertical dial on
        // 37, whose span of 2^6.5 the axis then takes.
        QCOMPARE(widget<QDial>("dial_vertical")->value(), 37);
        QCOMPARE(plot()->axisScaleDiv(QwtPlot::yLeft).lowerBound(), -std::pow(2.0, 6.5) / 2);
        QCOMPARE(plot()->axisScaleDiv(QwtPlot::yLeft).upperBound(), std::pow(2.0, 6.5) / 2);
    }

    void savedFilesImportAsTheyWere()
    {
        startOnWavePage();
        QVERIFY(connectToDrive());
        streamRamps(1000);
        captureSome(600);
        const QVector<QPointF> captured = wave().raw(2);
        const QString nameC = widget<QComboBox>("Channel_C")->currentText();

        prompts->fileAnswers << dir->path(QStringLiteral("saved.csv"));
        window()->waveDataSaveAs();
        QCOMPARE(lastText(QStringLiteral("数据保存结果")), QStringLiteral("保存成功！<br/>波形点数：%1").arg(captured.size()));

        // A file that cannot be written is reported as not saved.
        prompts->fileAnswers << dir->path(QStringLiteral("no/such/folder/saved.csv"));
        window()->waveDataSaveAs();
        QVERIFY(lastText(QStringLiteral("数据保存结果")).startsWith(QStringLiteral("保存失败")));

        // Quick saves go to the documents folder, named by the time; saves
        // within the same second each get a file of their own.
        QStringList told;
        for (int i = 0; i < 3; ++i) {
            window()->waveDataSave();
            told << lastText(QStringLiteral("数据保存结果"));
        }
        const QDir quick(dir->path(QStringLiteral("home/Documents/vemar")));
        const QStringList files = quick.entryList({QStringLiteral("*.csv")});
        QCOMPARE(files.size(), 3);
        for (const QString &file : files)
            QCOMPARE(told.filter(quick.filePath(file)).size(), 1);

        // Another channel selection, then the file brings back points and names.
        widget<QComboBox>("Channel_C")->setCurrentIndex(0);
        window()->importWaveData(dir->path(QStringLiteral("saved.csv")));
        QCOMPARE(wave().raw(2), captured);
        QCOMPARE(widget<QComboBox>("Channel_C")->currentText(), nameC);
        QCOMPARE(lastText(QStringLiteral("导入完成")),
                 QStringLiteral("共导入4通道，每通道%1点。").arg(captured.size()));
        QCOMPARE(boxesTitled(QStringLiteral("波形数据异常")), 0);
        QCOMPARE(boxesTitled(QStringLiteral("未命名通道")), 0);
    }

    void importReportsWhatItCouldNotTake()
    {
        startOnWavePage();
        // A name no list has, and channel B shorter than the others.
        importFile("速度反馈,不存在的量,转矩指令,转矩反馈,\n1,1,1,1,\n2,,2,2,\n3,,3,3,\n");
        QCOMPARE(wave().raw(0).size(), 3);
        QCOMPARE(wave().raw(1).size(), 1);
        QCOMPARE(lastText(QStringLiteral("未命名通道")), QStringLiteral("ch 2: 不存在的量"));
        QCOMPARE(lastText(QStringLiteral("波形数据异常")), QStringLiteral("通道2点数为:1, 期望点数:3"));

        // A file with one channel fills that channel only.
        importFile("速度反馈,速度指令,转矩指令,转矩反馈,#Model=,#Version=,,\n5,\n6,\n");
        QCOMPARE(wave().raw(0).size(), 2);
        QVERIFY(wave().raw(1).isEmpty());
        QCOMPARE(lastText(QStringLiteral("导入完成")), QStringLiteral("共导入1通道，每通道2点。"));

        // A FIFO in place of a file is refused at once, and said so.
        QCOMPARE(::mkfifo(QFile::encodeName(dir->path(QStringLiteral("pipe.csv"))).constData(), 0600), 0);
        window()->importWaveData(dir->path(QStringLiteral("pipe.csv")));
        QVERIFY(lastText(QStringLiteral("导入波形")).contains(QStringLiteral("pipe.csv")));
        QCOMPARE(wave().raw(0).size(), 2);

        // A file that holds no waveform replaces nothing.
        importFile("a,b,c,d,\nx,y,z,w,\n");
        QCOMPARE(wave().raw(0).size(), 2);
        QVERIFY(!lastText(QStringLiteral("导入波形")).isEmpty());
    }

    void aForeignFileLeavesTheDriveAlone()
    {
        startOnWavePage();
        QVERIFY(connectToDrive());
        QTRY_VERIFY(!window()->deviceModelText().isEmpty());
        const auto drive = [this] {
            return QStringList{window()->deviceModelText(), window()->deviceVersionText(),
                               window()->definitionFileName(), widget<QLabel>("label_ServoType")->text()};
        };
        const QStringList before = drive();
        const QByteArray header = "甲,乙,转矩指令,转矩反馈,#Model=VS-999,#Version=9.9,,\n";
        importFile(header + "7,7,7,7,\n8,8,8,8,\n");
        QCOMPARE(wave().count(), 2);
        QCOMPARE(drive(), before);
        // The plot names the channels as the file does, and so does a save.
        QVERIFY(curve(0)->title().text().startsWith(QStringLiteral("甲\n")));
        prompts->fileAnswers << dir->path(QStringLiteral("again.csv"));
        window()->waveDataSaveAs();
        QVERIFY(dir->read(QStringLiteral("again.csv")).startsWith(header));
    }

    void droppingAFileImportsIt()
    {
        startOnWavePage();
        const QByteArray file = "速度反馈,速度指令,转矩指令,转矩反馈,\n1,2,3,4,\n5,6,7,8,\n";
        dir->write(QStringLiteral("one.csv"), file);
        dir->write(QStringLiteral("two.csv"), file);
        QDir(dir->path(QString())).mkdir(QStringLiteral("folder"));
        const QUrl one = QUrl::fromLocalFile(dir->path(QStringLiteral("one.csv")));
        const QUrl two = QUrl::fromLocalFile(dir->path(QStringLiteral("two.csv")));

        QVERIFY(dropOnWindow({one, two}));
        QCOMPARE(wave().count(), 0);
        QVERIFY(dropOnWindow({QUrl::fromLocalFile(dir->path(QStringLiteral("folder")))}));
        QCOMPARE(wave().count(), 0);
        QCOMPARE(prompts->boxes.size(), 0);

        // Only the waveform page takes drops.
        widget<QListWidget>("listWidget")->setCurrentRow(MainWindow::ParamPage);
        QVERIFY(!dropOnWindow({one}));
        widget<QListWidget>("listWidget")->setCurrentRow(MainWindow::WavePage);
        QVERIFY(dropOnWindow({one}));
        QCOMPARE(wave().count(), 2);
        QCOMPARE(wave().raw(3).last().y(), 8.0);
    }

    void picturesInEveryFormat()
    {
        startOnWavePage();
        window()->exportDocument();
        QCOMPARE(lastText(QStringLiteral("无法保存")), QStringLiteral("波形点数为0！"));

        importFile("速度反馈,速度指令,转矩指令,转矩反馈,\n1,2,3,4,\n5,6,7,8,\n9,8,7,6,\n");
        for (const char *ext : {"png", "bmp", "jpg", "jpeg", "tif", "pdf", "svg", "ps"}) {
            const QString path = dir->path(QStringLiteral("shot.") + QLatin1String(ext));
            prompts->fileAnswers << path;
            window()->exportDocument();
            QVERIFY2(QFileInfo(path).size() > 0, ext);
            QCOMPARE(lastText(QStringLiteral("截图结果")), QStringLiteral("截图保存成功"));
        }

        // An existing file is replaced only when the user agrees; files
        // beside it are none of the export's business.
        const QString png = dir->path(QStringLiteral("shot.png"));
        dir->write(QStringLiteral("shot.png"), "keep");
        dir->write(QStringLiteral("shot.png.part"), "mine");
        prompts->fileAnswers << png << png;
        prompts->answers << QMessageBox::No << QMessageBox::Yes;
        window()->exportDocument();
        QCOMPARE(lastText(QStringLiteral("文件已存在")), QStringLiteral("是否覆盖?"));
        QCOMPARE(dir->read(QStringLiteral("shot.png")), QByteArray("keep"));
        window()->exportDocument();
        QCOMPARE(QImage(png).width(), qRound(300 / 25.4 * 85));
        QCOMPARE(dir->read(QStringLiteral("shot.png.part")), QByteArray("mine"));
    }
};

QTEST_MAIN(TestWavePage)
#include "tst_wavepage.moc"
