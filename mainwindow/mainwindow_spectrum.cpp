// The waveform page's spectrum window: opened by its button beside the file
// buttons, fed with the shown channels of the capture or imported file.

#include "mainwindow/mainwindow.h"
#include "mainwindow/wavemeasure.h"
#include "ui_mainwindow.h"

#include "dialogs/prompt.h"
#include "dialogs/spectrumdialog.h"
#include "mainwindow/fastcurve.h"

#include <QGridLayout>

void MainWindow::setupSpectrumButton()
{
    m_spectrumButton = new QPushButton(ui->groupBox_WF_Files);
    m_spectrumButton->setObjectName(QStringLiteral("pushButton_WF_Spectrum"));
    m_spectrumButton->setMinimumSize(80, 30);
    ui->gridLayout_WF_Files->addWidget(m_spectrumButton, 2, 0);
    connect(m_spectrumButton, &QPushButton::clicked, this, &MainWindow::showSpectrum);
    retranslateSpectrumButton();
}

void MainWindow::retranslateSpectrumButton()
{
    m_spectrumButton->setText(tr("频谱..."));
}

void MainWindow::showSpectrum()
{
    if (m_wave.longest() == 0) {
        Prompt::warning(this, tr("频谱"), tr("波形点数为0！"));
        return;
    }
    if (!m_spectrumDialog) {
        // The window asks for the points each time it refreshes, so that it
        // also serves a capture that is still running.
        const auto capture = [this] {
            SpectrumDialog::Capture capture;
            capture.period = double(m_samplePeriod);
            for (int c = 0; c < WaveCapture::kChannels; ++c) {
                if (!m_shown[size_t(c)] || m_wave.raw(c).isEmpty())
                    continue;
                // Amplitudes read in the channel's unit: the samples times its coefficient.
                const WaveChannelRecord item = waveChannelItem(c);
                const double coefficient = WaveMeasure::coefficient(item.WaveCoeff);
                QVector<QPointF> points = m_wave.raw(c);
                if (coefficient != 1.0) {
                    for (QPointF &point : points)
                        point.ry() *= coefficient;
                }
                capture.channels.append({waveName(c), m_curves[size_t(c)]->pen().color(), points, item.WaveUnit});
            }
            return capture;
        };
        m_spectrumDialog = new SpectrumDialog(capture, [this](double *from, double *to) {
            return waveCursorSpan(from, to);
        }, this);
    }
    m_spectrumDialog->refresh();
    m_spectrumDialog->show();
    m_spectrumDialog->raise();
    m_spectrumDialog->activateWindow();
}
