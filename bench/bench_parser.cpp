// Throughput of the waveform stream parser and of the reply matcher.

#include "benchutil.h"

#include "link/frame.h"
#include "link/replymatcher.h"
#include "link/waveparser.h"

#include <QRandomGenerator>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QRandomGenerator rng(7);

    // 8 MB of blocks with a little junk now and then, fed in pieces the size
    // a serial read or a HID message brings.
    QByteArray stream;
    while (stream.size() < 8 * 1024 * 1024) {
        QByteArray samples(200, '\0');
        for (auto &c : samples)
            c = char(rng.bounded(256));
        stream += WaveStreamParser::makeBlock(samples);
        if (rng.bounded(50) == 0)
            stream += QByteArray::fromHex("0102AB03");
    }
    QVector<QByteArray> pieces;
    for (int at = 0; at < stream.size();) {
        const int n = qMin(stream.size() - at, 64 + int(rng.bounded(400)));
        pieces.append(stream.mid(at, n));
        at += n;
    }

    QVector<double> rates;
    for (int round = 0; round < 7; ++round) {
        WaveStreamParser parser;
        qint64 samples = 0;
        QElapsedTimer timer;
        timer.start();
        for (const QByteArray &piece : qAsConst(pieces))
            samples += parser.feed(piece).samples.size();
        const double seconds = timer.nsecsElapsed() / 1e9;
        rates.append(stream.size() / seconds / 1e6);
        if (samples == 0)
            return 1;
    }
    bench::print(QStringLiteral("waveform parser: %1 MB/s (median of %2 runs over %3 MB; target >= 200)")
                     .arg(bench::percentile(rates, 50), 0, 'f', 0)
                     .arg(rates.size())
                     .arg(stream.size() / 1e6, 0, 'f', 1));

    // Replies of every length the table uses, split as a HID link would.
    Frame sent;
    sent.cmd = 0x02;
    sent.subCmd = 0x01;
    sent.rxLen = 134;
    const QByteArray reply = buildFrame(0x02, 0x01, QByteArray(128, '\x11'));
    const int count = 400000;
    QVector<double> replyRates;
    for (int round = 0; round < 5; ++round) {
        ReplyMatcher matcher;
        int accepted = 0;
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < count; ++i) {
            matcher.match(reply.left(61), sent, i);
            matcher.match(reply.mid(61, 61), sent, i);
            accepted += matcher.match(reply.mid(122), sent, i) == ReplyMatcher::Accepted;
        }
        replyRates.append(accepted / (timer.nsecsElapsed() / 1e9));
    }
    bench::print(QStringLiteral("reply matcher: %1 replies/s (134-byte replies in three pieces, median of %2 runs)")
                     .arg(bench::percentile(replyRates, 50), 0, 'f', 0)
                     .arg(replyRates.size()));
    return 0;
}
