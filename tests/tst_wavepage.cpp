// The waveform page against the simulated drive: captures, controls, files, drops and pictures.

#include "dialogs/spectrumdialog.h"
#include "mainwindow/fastcurve.h"
#include "mainwindow/recordingview.h"
#include "mainwindow/wavemeasure.h"
#include "testsupport.h"

#include <qwt_plot.h>
#include <qwt_plot_picker.h>
#include <qwt_scale_div.h>

#include <QCheckBox>
#include <QDial>
#include <QListWidget>
#include <QMimeData>
#include <QSpinBox>
#include <QTableWidget>
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
    QPushButton *recordButton() const { return widget<QPushButton>("pushButton_waveformRec"); }
    FastCurve *curve(int channel) const
    {
        return static_cast<FastCurve *>(plot()->itemList(QwtPlotItem::Rtti_PlotCurve).at(channel));
    }
    bool streaming() const { return drive->withModel([](DriveModel &m) { return m.streaming(); }); }

    bool startOnWavePage(bool linked = true)
    {
        if (!startDrive(dir->path(QStringLiteral("ParameterFile/zh_CN_Parameter.xml"))))
            return false;
        startApp();
        widget<QListWidget>("listWidget")->setCurrentRow(MainWindow::WavePage);
        return !linked || connectToDrive();
    }

    // A counting ramp on every channel (after the first, when given), so that a lost sample set shows as a gap.
    void streamRamps(int rate, WavePattern first = WavePattern::Ramp)
    {
        WaveGenerator::Settings settings;
        settings.rate = rate;
        settings.patterns = {{first, WavePattern::Ramp, WavePattern::Ramp, WavePattern::Ramp}};
        drive->setWaveSettings(settings);
        drive->withModel([](DriveModel &m) { m.setPatternMode(true); });
    }

    void verifyNoGaps(float period)
    {
        const QVector<QPointF> &a = wave().raw(0);
        for (int i = 1; i < a.size(); ++i)
            QVERIFY2(qint16(qint16(a[i - 1].y()) + 1) == qint16(a[i].y()) && qAbs(a[i].x() - a[i - 1].x() - double(period)) < 1e-9,
                     qPrintable(QStringLiteral("gap after point %1").arg(i - 1)));
        for (int c = 1; c < WaveCapture::kChannels; ++c)
            QCOMPARE(wave().raw(c), a);
    }

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
        prompts->expect(QStringLiteral("导入完成"));
        window()->importWaveData(dir->path(QStringLiteral("in.csv")));
    }
    void saveAs(const QString &name)
    {
        prompts->expect(QStringLiteral("数据保存结果"));
        prompts->fileAnswers << dir->path(name);
        window()->waveDataSaveAs();
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
        savedHome = qgetenv("HOME");
        qputenv("HOME", dir->path(QStringLiteral("home")).toLocal8Bit());
        Platform::setSystemPortLister([] { return QStringList(); });
    }

    void cleanup()
    {
        closeCase();
        qputenv("HOME", savedHome);
    }

    void captureSaveAndImportAtOneKilohertz()
    {
        QVERIFY(startOnWavePage());
        streamRamps(1000);
        recordButton()->click();
        QTRY_VERIFY_WITH_TIMEOUT(wave().count() >= 3000, 15000);
        recordButton()->click();
        QTRY_VERIFY(!streaming());
        verifyNoGaps(0.001f);
        QVERIFY(plot()->axisScaleDiv(QwtPlot::xBottom).upperBound() >= wave().raw(0).last().x() - 0.1);

        const QVector<QPointF> captured = wave().raw(2);
        const QString nameC = widget<QComboBox>("Channel_C")->currentText();

        saveAs(QStringLiteral("in.csv"));
        QVERIFY(prompts->hasText(QStringLiteral("保存成功！<br/>波形点数：%1").arg(captured.size())));
        saveAs(QStringLiteral("no/such/folder/in.csv"));
        QVERIFY(prompts->boxes.last().text.startsWith(QStringLiteral("保存失败")));

        // Quick saves within the same second each get a file of their own.
        for (int i = 0; i < 3; ++i)
            window()->waveDataSave();
        const QDir quick(dir->path(QStringLiteral("home/Documents/vemar")));
        const QStringList files = quick.entryList({QStringLiteral("*.csv")});
        QCOMPARE(files.size(), 3);
        QVERIFY(prompts->boxes.last().text.endsWith(quick.filePath(files.last())));

        widget<QComboBox>("Channel_C")->setCurrentIndex(0);
        prompts->expect(QStringLiteral("导入完成"));
        window()->importWaveData(dir->path(QStringLiteral("in.csv")));
        QCOMPARE(wave().raw(2), captured);
        QCOMPARE(widget<QComboBox>("Channel_C")->currentText(), nameC);

        // Another tool's file names its own channels and drive: the drive stays as identified.
        const auto identified = [this] {
            return QStringList{window()->deviceModelText(), window()->deviceVersionText(),
                               window()->definitionFileName(), widget<QLabel>("label_ServoType")->text()};
        };
        const QStringList before = identified();
        const QByteArray header = "甲,乙,转矩指令,转矩反馈,#Model=VS-999,#Version=9.9,,\n";
        prompts->expect(QStringLiteral("未命名通道"));
        importFile(header + "10,1,1,1,\n-40,2,2,2,\n");
        QCOMPARE(identified(), before);
        saveAs(QStringLiteral("again.csv"));
        QVERIFY(dir->read(QStringLiteral("again.csv")).startsWith(header));

        // In raw mode the scale, offset and switch of a channel move its curve; the legend names the file's channel.
        widget<QCheckBox>("checkBox_WF_RawScale")->setChecked(true);
        auto *scaleA = widget<QComboBox>("comboBox_WF_CH1_Scale");
        auto *offsetA = widget<QSpinBox>("spinBox_WF_CH1_Offset");
        scaleA->setCurrentText(QStringLiteral("0.05"));
        QCOMPARE(curve(0)->title().text(), QStringLiteral("甲\n比例：1 : 0.05 "));
        QVERIFY(qAbs(curve(0)->points().at(1).y() - (-2.0)) < 1e-6);
        offsetA->setValue(5);
        QVERIFY(qAbs(curve(0)->points().at(0).y() - 5.5) < 1e-6);

        // Off, the offset box moves neither the curve nor the offset kept for its return.
        widget<QToolButton>("toolButton_CHA_OnOff")->click();
        QVERIFY(!curve(0)->isVisible());
        offsetA->setValue(100);
        widget<QToolButton>("toolButton_CHA_OnOff")->click();
        QVERIFY(curve(0)->isVisible());
        QVERIFY(qAbs(curve(0)->points().at(0).y() - 5.5) < 1e-6);

        // A peak of -40 puts the vertical dial on 37, whose span of 2^6.5 the axis then takes.
        for (const char *name : {"comboBox_WF_CH1_Scale", "comboBox_WF_CH2_Scale", "comboBox_WF_CH3_Scale",
                                 "comboBox_WF_CH4_Scale"})
            widget<QComboBox>(name)->setCurrentText(QStringLiteral("1"));
        offsetA->setValue(0);
        QCOMPARE(widget<QDial>("dial_vertical")->value(), 37);
        QCOMPARE(plot()->axisScaleDiv(QwtPlot::yLeft).upperBound(), std::pow(2.0, 6.5) / 2);

        // A new capture starts clean, showing an eighth of the window though the dial stands at 27.
        QCOMPARE(widget<QDial>("dial_horizontal")->value(), 27);
        window()->waveform_recvDataFromThread(QByteArray(16, '\x7f'));
        recordButton()->click();
        QCOMPARE(wave().buffered(), 0);
        QCOMPARE(wave().count(), 0);
        QVERIFY(qAbs(plot()->axisScaleDiv(QwtPlot::xBottom).range() - 1.25) < 1e-9);
    }

    // A sine of known frequency and amplitude on channel A, captured and stopped: the spectrum window lists it.
    void spectrumOfACaptureListsItsSine()
    {
        QVERIFY(startOnWavePage());
        WaveGenerator::Settings settings;
        QString error;
        QVERIFY(WaveGenerator::parseChannels(QStringLiteral("sine:37.3:1500,triangle,square,noise"), &settings, &error));
        drive->setWaveSettings(settings);
        drive->withModel([](DriveModel &m) { m.setPatternMode(true); });
        recordButton()->click();
        QTRY_VERIFY_WITH_TIMEOUT(wave().count() >= 2000, 15000);
        recordButton()->click();
        QTRY_VERIFY(!streaming());

        widget<QPushButton>("pushButton_WF_Spectrum")->click();
        auto *dialog = window()->findChild<SpectrumDialog *>();
        QVERIFY(dialog && dialog->isVisible());
        auto *peaks = dialog->findChild<QTableWidget *>(QStringLiteral("tableWidget_SpectrumPeaks"));
        QCOMPARE(peaks->item(0, 0)->text(), widget<QComboBox>("Channel_A")->currentText());
        const double binWidth = 1000.0 / wave().count();
        QVERIFY2(qAbs(peaks->item(0, 1)->text().toDouble() - 37.3) < binWidth, qPrintable(peaks->item(0, 1)->text()));
        QVERIFY2(qAbs(peaks->item(0, 2)->text().toDouble() - 20 * std::log10(1500.0)) < 1,
                 qPrintable(peaks->item(0, 2)->text()));
    }

    // Cursors dragged onto two rising edges of a square read its period, and the readout its level in rpm.
    void cursorsReadTheSquaresPeriod()
    {
        QVERIFY(startOnWavePage());
        WaveGenerator::Settings settings;
        settings.patterns = {{WavePattern::Square, WavePattern::Square, WavePattern::Square, WavePattern::Square}};
        drive->setWaveSettings(settings);
        drive->withModel([](DriveModel &m) { m.setPatternMode(true); });
        recordButton()->click();
        QTRY_VERIFY_WITH_TIMEOUT(wave().count() >= 700, 15000);
        recordButton()->click();
        QTRY_VERIFY(!streaming());
        const QVector<QPointF> &a = wave().raw(0);
        QVector<double> edges;
        for (int i = 1; i < a.size() && edges.size() < 2; ++i)
            if (a[i - 1].y() < 0 && a[i].y() >= 0)
                edges << a[i].x();
        QCOMPARE(edges.size(), 2);

        // Several pixels a sample, so that a drag lands on the sample it aims at.
        plot()->setAxisScale(QwtPlot::xBottom, edges[0] - 0.02, edges[1] + 0.02);
        plot()->replot();
        widget<QCheckBox>("checkBox_WF_Cursors")->click();
        QWidget *canvas = plot()->canvas();
        const auto mouse = [this, canvas](QEvent::Type type, double t) {
            const double x = plot()->canvasMap(QwtPlot::xBottom).transform(t);
            QMouseEvent event(type, QPointF(qRound(x), 10), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(canvas, &event);
        };
        double from = 0, to = 0;
        for (int i = 0; i < 2; ++i) {
            QVERIFY(window()->waveCursorSpan(&from, &to));
            mouse(QEvent::MouseButtonPress, i ? to : from);
            mouse(QEvent::MouseMove, edges[i]);
            mouse(QEvent::MouseButtonRelease, edges[i]);
        }
        QVERIFY(window()->waveCursorSpan(&from, &to));
        QCOMPARE(QVector<double>({from, to}), edges);
        QVERIFY(qAbs(to - from - 0.2) <= 0.001 + 1e-9);
        auto *table = widget<QTableWidget>("tableWidget_WF_Measure");
        for (int column : {0, 1, 6})
            QCOMPARE(table->item(0, column)->text(), QStringLiteral("1000"));
        // The tracker reads the channels at the sample under the pointer.
        const QPoint atA(qRound(plot()->canvasMap(QwtPlot::xBottom).transform(edges[0])), 10);
        const QwtPicker *picker = canvas->findChild<QwtPlotPicker *>();
        QVERIFY(picker->trackerText(atA).text().contains(QStringLiteral(": 1000 rpm")));
        // "auto" keeps the +-1000 rpm within four divisions.
        widget<QComboBox>("comboBox_WF_CH1_Scale")->setCurrentText(QStringLiteral("auto"));
        QCOMPARE(curve(0)->title().text(), widget<QComboBox>("Channel_A")->currentText() + "\n500 rpm/div");

        // B, the cursor moved last, steps ten samples back with Shift.
        QTest::keyClick(canvas, Qt::Key_Left, Qt::ShiftModifier);
        QVERIFY(window()->waveCursorSpan(&from, &to));
        QVERIFY(qAbs(to - (edges[1] - 10 * double(0.001f))) < 1e-9);
    }

    // At 10 kHz, with the lists' channels and another language meanwhile; the page or the link ends it.
    void captureAtTenKilohertzLosesNothing()
    {
        dir->write(QStringLiteral("appsetting.ini"), "[Func]\nWaveFormRate10Khz=true\nTestXml=false\nUseCompare=true\n");
        QVERIFY(startOnWavePage());
        streamRamps(10000);
        widget<QPushButton>("pushButton_WF_Sel_Spd")->click();
        widget<QComboBox>("comboBox_WF_CH3_Scale")->setCurrentText(QStringLiteral("10"));
        recordButton()->click();
        QTRY_VERIFY(streaming());
        const auto streamed = drive->withModel([](DriveModel &m) { return m.streamedQuantities(); });
        QCOMPARE(streamed[0], DriveDynamics::quantityNamed(widget<QComboBox>("Channel_A")->currentText()));
        QCOMPARE(streamed[3], DriveDynamics::quantityNamed(widget<QComboBox>("Channel_D")->currentText()));
        QVERIFY(!widget<QComboBox>("Channel_A")->isEnabled());
        QVERIFY(!widget<QPushButton>("pushButton_WF_Sel_Pos")->isEnabled());

        // Another language meanwhile keeps the channels, scales, names and switches.
        widget<QToolButton>("toolButton_CHB_OnOff")->click();
        QTRY_VERIFY(wave().count() > 0);
        const QString title = curve(0)->title().text();
        window()->LoadTranslation(QStringLiteral("en_US"), false);
        QCOMPARE(widget<QComboBox>("Channel_A")->currentIndex(), 1);
        QCOMPARE(widget<QComboBox>("comboBox_WF_CH3_Scale")->currentText(), QStringLiteral("10"));
        QCOMPARE(widget<QToolButton>("toolButton_CHB_OnOff")->text(), QStringLiteral("OFF"));
        QTRY_VERIFY_WITH_TIMEOUT(wave().count() >= 20000, 15000);
        QCOMPARE(curve(0)->title().text(), title);

        QSignalSpy page(window(), &MainWindow::nowPage);
        widget<QListWidget>("listWidget")->setCurrentRow(MainWindow::ParamPage);
        QCOMPARE(page.takeFirst().first().toInt(), int(MainWindow::ParamPage));
        QTRY_VERIFY(!streaming());
        QCOMPARE(recordButton()->text(), QStringLiteral("开始采样"));
        verifyNoGaps(0.0001f);

        // A lost link ends the next capture, keeping what came, with no stop queued for a drive that is gone.
        widget<QListWidget>("listWidget")->setCurrentRow(MainWindow::WavePage);
        recordButton()->click();
        QTRY_VERIFY(wave().count() > 0);
        QSignalSpy sent(window(), &MainWindow::put);
        prompts->expect(QStringLiteral("通信断开"));
        server.reset();
        QTRY_VERIFY_WITH_TIMEOUT(!window()->isRecording(), 10000);
        QVERIFY(widget<QComboBox>("Channel_A")->isEnabled());
        QVERIFY(wave().count() > 0);
        QVERIFY(!sent.contains({int(Cmd::WaveStop)}));
    }

    // Single shots on a square wave: time 0 on the edge's sample, the capture stopped by itself.
    void singleShotsCatchTheEdge_data()
    {
        QTest::addColumn<int>("rate");
        QTest::newRow("1 kHz") << 1000;
        QTest::newRow("10 kHz") << 10000;
    }

    void singleShotsCatchTheEdge()
    {
        QFETCH(int, rate);
        if (rate == 10000)
            dir->write(QStringLiteral("appsetting.ini"), "[Func]\nWaveFormRate10Khz=true\nTestXml=false\nUseCompare=true\n");
        QVERIFY(startOnWavePage());
        streamRamps(rate, WavePattern::Square);
        widget<QComboBox>("comboBox_TrigMode")->setCurrentIndex(WaveTrigger::Single);
        // The index of time 0: the points shown before it.
        const auto zeroAt = [this] {
            return int(std::count_if(curve(0)->points().cbegin(), curve(0)->points().cend(), [](QPointF p) { return p.x() < -1e-9; }));
        };
        QSignalSpy sent(window(), &MainWindow::put);
        int zero = 0;
        for (int dial : {27, 54}) // a window of 1/64 of the whole, kept by every start
            widget<QDial>("dial_horizontal")->setValue(dial);
        for (int shot = 0; shot < 20; ++shot) {
            recordButton()->click();
            QTRY_VERIFY_WITH_TIMEOUT(!window()->isRecording(), 10000);
            QCOMPARE(widget<QLabel>("label_TrigState")->text(), QStringLiteral("已停止"));
            zero = zeroAt();
            QCOMPARE(QPointF(wave().raw(0).value(zero - 1).y(), wave().raw(0).value(zero).y()), QPointF(-1000, 1000));
            const auto lost = [](QPointF a, QPointF b) { return qint16(b.y()) != qint16(a.y() + 1); };
            QVERIFY(std::adjacent_find(wave().raw(1).cbegin(), wave().raw(1).cend(), lost) == wave().raw(1).cend());
        }
        QCOMPARE(int(std::count(sent.cbegin(), sent.cend(), QVariantList{int(Cmd::WaveStop)})), 20);

        // Saved and imported, time 0 stays on the trigger.
        saveAs(QStringLiteral("shot.csv"));
        QVERIFY(dir->read(QStringLiteral("shot.csv")).split('\n').first().contains(",#Trigger="));
        importFile(dir->read(QStringLiteral("shot.csv")));
        QCOMPARE(zeroAt(), zero);
        // The pointer reads time from the trigger, at the first high sample.
        plot()->setAxisScale(QwtPlot::xBottom, -0.005, 0.005);
        plot()->replot();
        const QPoint atZero(qRound(plot()->canvasMap(QwtPlot::xBottom).transform(0)), 10);
        const QwtPicker *picker = plot()->canvas()->findChild<QwtPlotPicker *>();
        const QString tracked = picker->trackerText(atZero).text();
        QVERIFY2(tracked.startsWith(QStringLiteral("t: 0 s\n")) && tracked.contains(QStringLiteral(": 1000")), qPrintable(tracked));
    }

    // With 触发后停止录制 ticked, the capture and its recording end by themselves a post-trigger time after a
    // trigger; a single shot's short window does not cut that time short.
    void recordingEndsAfterATrigger_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("normal") << int(WaveTrigger::Normal);
        QTest::newRow("single") << int(WaveTrigger::Single);
    }
    void recordingEndsAfterATrigger()
    {
        QFETCH(int, mode);
        QVERIFY(startOnWavePage());
        streamRamps(1000, WavePattern::Square);
        widget<QComboBox>("comboBox_TrigMode")->setCurrentIndex(mode);
        for (int dial : {27, 54}) // a trigger window of 1/64 of the whole
            widget<QDial>("dial_horizontal")->setValue(dial);
        widget<QCheckBox>("checkBox_WF_RecordStopOnTrigger")->setChecked(true);
        widget<QSpinBox>("spinBox_WF_RecordPostTrigger")->setValue(1);
        const QString path = dir->path(QStringLiteral("event.wrec"));
        prompts->fileAnswers << path;
        widget<QCheckBox>("checkBox_WF_RecordToFile")->click();
        recordButton()->click();
        QTRY_VERIFY_WITH_TIMEOUT(!window()->isRecording(), 10000);
        window()->openRecording(path);
        QVERIFY(window()->recordingView());
        const WaveRecording::Reader &reader = window()->recordingView()->reader();
        QVERIFY(!reader.cutShort());
        QVERIFY2(reader.sets() >= 1000, qPrintable(QString::number(reader.sets()))); // the post-trigger second
    }

    // Ramps recorded to a file until the link drops: the file ends cleanly, opens whole, and a span goes to the page.
    void recordingToFileEndsWithTheLinkAndOpens()
    {
        QVERIFY(startOnWavePage());
        streamRamps(1000);
        const QString path = dir->path(QStringLiteral("ramps.wrec"));
        auto *toFile = widget<QCheckBox>("checkBox_WF_RecordToFile");
        // A file that cannot be made keeps the capture from starting.
        prompts->expect(QStringLiteral("无法写入录波文件，采样未开始。"));
        for (const QString &target : {dir->path(QStringLiteral("no/such/folder/r.wrec")), path}) {
            prompts->fileAnswers << target;
            toFile->click();
            recordButton()->click();
        }
        QCOMPARE(prompts->boxes.size(), 1);
        QCOMPARE(window()->recordingPath(), path);
        QTRY_VERIFY_WITH_TIMEOUT(wave().count() >= 3000, 15000);
        prompts->expect(QStringLiteral("通信断开"));
        server.reset();
        QTRY_VERIFY_WITH_TIMEOUT(!window()->isRecording(), 10000);
        QVERIFY(window()->recordingPath().isEmpty() && !toFile->isChecked());

        window()->openRecording(path);
        QVERIFY(window()->recordingView());
        WaveRecording::Reader &reader = window()->recordingView()->reader();
        QVERIFY(!reader.cutShort());
        QCOMPARE(reader.lost(), qint64(0));
        QCOMPARE(reader.header().names[3], widget<QComboBox>("Channel_D")->currentText());
        QCOMPARE(reader.header().serial, window()->deviceSerialText());
        const WaveRecording::Samples all = reader.read(0, reader.length());
        QCOMPARE(all.positions.size(), int(reader.sets()));
        // Every set the page got is in the file, and the file counts on without a gap.
        QVERIFY(reader.sets() >= wave().count());
        QCOMPARE(double(all.values[0].last()), wave().raw(0).last().y());
        for (int i = 0; i < all.positions.size(); ++i)
            for (int c = 0; c < WaveCapture::kChannels; ++c)
                QVERIFY2(all.positions[i] == i && all.values[size_t(c)][i] == qint16(all.values[0][0] + i),
                         qPrintable(QStringLiteral("set %1").arg(i)));

        // Zoomed in, the pointer reads the sample under it in its unit.
        RecordingView *view = window()->recordingView();
        view->showSpan(1500, 1510);
        const WaveRecording::Header &header = reader.header();
        const QString at1505 = view->pointerText(1505 / header.rate);
        QVERIFY2(at1505.startsWith(QStringLiteral("t: 1.505 s (")) &&
                     at1505.contains(header.names[2] + QStringLiteral(": ") +
                                     WaveMeasure::valueText(all.values[2][1505] * WaveMeasure::coefficient(header.coefficients[2]),
                                                            header.units[2])),
                 qPrintable(at1505));

        view->showSpan(1000, 3000);
        widget<QPushButton>("pushButton_RecordingToPage")->click();
        QCOMPARE(wave().count(), 2000);
        QCOMPARE(wave().raw(1).first(), QPointF(0, all.values[1][1000]));
    }

    void lostSetsAndTheTailReachThePlot()
    {
        QVERIFY(startOnWavePage(false));
        prompts->expect(QStringLiteral("通信未建立，请先连接设备！"));
        recordButton()->click();
        QVERIFY(prompts->hasText(QStringLiteral("通信未建立，请先连接设备！")));
        // As the worker hands them over: 30 sets, below a batch of 50, then 25 lost.
        window()->comStateShow(1);
        recordButton()->click();
        window()->showData(Cmd::WaveStart); // the drive's acknowledgement
        window()->waveform_recvDataFromThread(ramp(0, 30));
        QCOMPARE(wave().count(), 0);
        window()->waveform_gapFromThread(25);
        window()->waveform_recvDataFromThread(ramp(30, 60));
        window()->waveform_recvDataFromThread(ramp(90, 7));

        // File points never join a running capture.
        prompts->expect(QStringLiteral("正在采样，请先停止采样再导入波形。"));
        dir->write(QStringLiteral("in.csv"), "速度反馈,速度指令,转矩指令,转矩反馈,\n1,2,3,4,\n");
        window()->importWaveData(dir->path(QStringLiteral("in.csv")));
        QVERIFY(prompts->hasText(QStringLiteral("正在采样，请先停止采样再导入波形。")));

        // The stop plots the 7 sets still below the threshold; the curve breaks at the loss.
        recordButton()->click();
        QCOMPARE(wave().count(), 97);
        QCOMPARE(wave().raw(2).at(30), QPointF(55 * double(0.001f), 30));
        QCOMPARE(curve(2)->reduced(QwtScaleMap(), QwtScaleMap()).size(), 2);
    }

    // What an import tells; only a successful one replaces the waveform of one point.
    void importSaysWhatItTookAndWhatNot_data()
    {
        QTest::addColumn<QByteArray>("file"); // none: a FIFO in its place
        QTest::addColumn<QStringList>("told");
        QTest::addColumn<int>("pointsA");
        QTest::newRow("unknown name, short channel")
            << QByteArray("速度反馈,不存在的量,转矩指令,转矩反馈,\n1,1,1,1,\n2,,2,2,\n3,,3,3,\n")
            << QStringList{QStringLiteral("ch 2: 不存在的量"), QStringLiteral("通道2点数为:1, 期望点数:3"),
                           QStringLiteral("共导入4通道，每通道3点。")}
            << 3;
        QTest::newRow("one channel") << QByteArray("速度反馈,速度指令,转矩指令,转矩反馈,#Model=,#Version=,,\n5,\n6,\n")
                                     << QStringList{QStringLiteral("共导入1通道，每通道2点。")} << 2;
        QTest::newRow("no waveform") << QByteArray("a,b,c,d,\nx,y,z,w,\n")
                                     << QStringList{QStringLiteral("文件中没有有效的波形数据")} << 1;
        QTest::newRow("FIFO, refused rather than read for ever")
            << QByteArray() << QStringList{QStringLiteral("不是普通文件（管道或设备），无法导入")} << 1;
    }

    void importSaysWhatItTookAndWhatNot()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, told);
        QVERIFY(startOnWavePage(false));
        importFile("速度反馈,速度指令,转矩指令,转矩反馈,\n9,9,9,9,\n");
        prompts->clear();
        const QString path = dir->path(QStringLiteral("next.csv"));
        if (file.isNull())
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else
            dir->write(QStringLiteral("next.csv"), file);
        for (const QString &text : told)
            prompts->expect(text);
        window()->importWaveData(path);
        QCOMPARE(prompts->boxes.size(), told.size());
        for (int i = 0; i < told.size(); ++i)
            QVERIFY2(prompts->boxes.at(i).text.contains(told.at(i)), qPrintable(prompts->boxes.at(i).text));
        QTEST(int(wave().raw(0).size()), "pointsA");
    }

    void droppingAFileImportsIt()
    {
        QVERIFY(startOnWavePage(false));
        dir->write(QStringLiteral("one.csv"), "速度反馈,速度指令,转矩指令,转矩反馈,\n1,2,3,4,\n5,6,7,8,\n");
        const QUrl one = QUrl::fromLocalFile(dir->path(QStringLiteral("one.csv")));
        // Neither two files nor a folder are imported; only the waveform page takes drops.
        QVERIFY(dropOnWindow({one, one}));
        QVERIFY(dropOnWindow({QUrl::fromLocalFile(dir->path(QString()))}));
        widget<QListWidget>("listWidget")->setCurrentRow(MainWindow::ParamPage);
        QVERIFY(!dropOnWindow({one}));
        widget<QListWidget>("listWidget")->setCurrentRow(MainWindow::WavePage);
        prompts->expect(QStringLiteral("导入完成"));
        QVERIFY(dropOnWindow({one}));
        QCOMPARE(wave().raw(3).last().y(), 8.0);
    }

    void picturesInEveryFormat_data()
    {
        QTest::addColumn<QString>("name");
        for (const char *ext : {"png", "bmp", "jpg", "jpeg", "tif", "pdf", "svg", "ps"})
            QTest::newRow(ext) << QStringLiteral("shot.") + QLatin1String(ext);
    }

    void picturesInEveryFormat()
    {
        QFETCH(QString, name);
        QVERIFY(startOnWavePage(false));
        prompts->expect(QStringLiteral("波形点数为0！"));
        window()->exportDocument();
        QVERIFY(prompts->hasText(QStringLiteral("波形点数为0！")));

        importFile("速度反馈,速度指令,转矩指令,转矩反馈,\n1,2,3,4,\n5,6,7,8,\n9,8,7,6,\n");
        prompts->expect(QStringLiteral("截图保存成功"));
        prompts->fileAnswers << dir->path(name);
        window()->exportDocument();

        // An existing file is replaced only when the user agrees; files beside it stay.
        dir->write(name, "keep");
        dir->write(name + QStringLiteral(".part"), "mine");
        prompts->expect(QStringLiteral("是否覆盖?"));
        prompts->fileAnswers << dir->path(name) << dir->path(name);
        prompts->answers << QMessageBox::No << QMessageBox::Yes;
        window()->exportDocument();
        QCOMPARE(dir->read(name), QByteArray("keep"));
        window()->exportDocument();
        QVERIFY(dir->read(name).size() > 100);
        QCOMPARE(dir->read(name + QStringLiteral(".part")), QByteArray("mine"));
        if (name.endsWith(QLatin1String(".png")))
            QCOMPARE(QImage(dir->path(name)).width(), qRound(300 / 25.4 * 85));
    }
};

QTEST_MAIN(TestWavePage)
#include "tst_wavepage.moc"
