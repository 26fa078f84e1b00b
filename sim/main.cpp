// drive-sim: a simulated servo drive served on a pseudo-terminal.

#include "sim/driveendpoint.h"
#include "sim/ptydriveserver.h"

#include "definitions/codes.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] ssize_t n = ::write(g_signalPipe[1], &byte, 1);
}

void printLine(FILE *stream, const QString &text)
{
    std::fprintf(stream, "%s\n", text.toLocal8Bit().constData());
    std::fflush(stream);
}

QString statsText(const DriveEndpoint &endpoint)
{
    const SimStats s = endpoint.stats();
    return QStringLiteral("requests %1, replies sent %2 (dropped %3, corrupted %4, withheld %5), "
                          "blocks sent %6 (bad sum %7, skipped %8), rejected bytes %9, hang-ups %10")
        .arg(s.requests)
        .arg(s.repliesSent)
        .arg(s.repliesDropped)
        .arg(s.repliesCorrupted)
        .arg(s.repliesWithheld)
        .arg(s.blocksSent)
        .arg(s.blocksCorrupted)
        .arg(s.blocksSkipped)
        .arg(s.rejectedBytes)
        .arg(s.hangUps);
}

bool parseWave(const QCommandLineParser &parser, WaveGenerator::Settings *wave, QString *error)
{
    if (parser.isSet(QStringLiteral("rate"))) {
        bool ok = false;
        wave->rate = parser.value(QStringLiteral("rate")).toInt(&ok);
        if (!ok || (wave->rate != 1000 && wave->rate != 10000)) {
            *error = QStringLiteral("--rate takes 1000 or 10000");
            return false;
        }
    }
    // The defaults for every channel first: a channel of --wave may set its own.
    if (parser.isSet(QStringLiteral("amplitude")))
        wave->setAmplitude(parser.value(QStringLiteral("amplitude")).toDouble());
    if (parser.isSet(QStringLiteral("frequency")))
        wave->setFrequency(parser.value(QStringLiteral("frequency")).toDouble());
    if (parser.isSet(QStringLiteral("wave"))
        && !WaveGenerator::parseChannels(parser.value(QStringLiteral("wave")), wave, error))
        return false;
    return true;
}

bool parseIdentity(const QCommandLineParser &parser, DriveIdentity *identity, QString *error)
{
    if (parser.isSet(QStringLiteral("model"))) {
        const QStringList words = parser.value(QStringLiteral("model")).split(QLatin1Char(','));
        quint16 values[3] = {};
        bool ok = words.size() == 3;
        for (int i = 0; ok && i < 3; ++i) {
            const uint v = words.at(i).toUInt(&ok, 16);
            ok = ok && v <= 0xFFFF;
            values[i] = quint16(v);
        }
        if (!ok) {
            *error = QStringLiteral("--model takes three hexadecimal words, comma-separated");
            return false;
        }
        identity->productSerial = values[0];
        identity->model1 = values[1];
        identity->model2 = values[2];
    }
    if (parser.isSet(QStringLiteral("firmware"))) {
        bool ok = false;
        const uint v = parser.value(QStringLiteral("firmware")).toUInt(&ok);
        if (!ok || v > 0xFFFF) {
            *error = QStringLiteral("--firmware takes a number from 0 to 65535");
            return false;
        }
        identity->firmware = quint16(v);
    }
    if (parser.isSet(QStringLiteral("serial")))
        identity->serialNumber = parser.value(QStringLiteral("serial")).toLatin1().left(15);
    if (parser.isSet(QStringLiteral("stamps"))
        && !DriveIdentity::parseStamps(parser.value(QStringLiteral("stamps")), &identity->stamps)) {
        *error = QStringLiteral("--stamps takes equal, different or zero");
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("drive-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A simulated servo drive on a pseudo-terminal. It prints the slave's path on the first line of its "
        "output; open that path (or --link) as a serial port.\n\n"
        "While it runs, type a switch and its value to change it (\"drop-every 5\", \"split 7:3\"), "
        "\"hang-up [MS]\" to hang up (and come back after MS), \"servo on\" or \"servo off\", \"mode N\", "
        "\"fault CODE\", \"ready on\" or \"ready off\", \"rigidity N\", \"stamps equal|different|zero\", \"stats\" or \"quit\"."));
    parser.addHelpOption();
    const QList<QCommandLineOption> options = {
        {QStringLiteral("link"), QStringLiteral("Also create a symbolic link PATH to the slave."), QStringLiteral("PATH")},
        {QStringLiteral("params"),
         QStringLiteral("Parameter definition file whose parameters the drive holds (default: "
                        "ParameterFile/zh_CN_Parameter.xml beside drive-sim)."),
         QStringLiteral("FILE")},
        {QStringLiteral("values"),
         QStringLiteral("Parameter file (.conf) whose values the drive holds instead of the defaults, for "
                        "example a factory set from ParameterCompare/."),
         QStringLiteral("FILE")},
        {QStringLiteral("rate"), QStringLiteral("Waveform sample sets a second: 1000 or 10000 (default 1000)."),
         QStringLiteral("N")},
        {QStringLiteral("wave"),
         QStringLiteral("Stream these test patterns instead of the quantities the channels select: four of "
                        "sine, triangle, square, noise and ramp (a count of sample sets), each optionally with "
                        "its own frequency and amplitude, as sine:50:2000,square:5:1000,noise,ramp."),
         QStringLiteral("A,B,C,D")},
        {QStringLiteral("amplitude"), QStringLiteral("Waveform amplitude of every channel (default 1000)."),
         QStringLiteral("N")},
        {QStringLiteral("frequency"), QStringLiteral("Waveform frequency of every channel in Hz (default 5)."),
         QStringLiteral("HZ")},
        {QStringLiteral("rigidity"),
         QStringLiteral("Stiffness (rigidity) level the drive starts with, 0 to 31. From level 16 up, a mechanical "
                        "resonance rings in the speed feedback while the motor is powered."),
         QStringLiteral("N")},
        {QStringLiteral("resonance"),
         QStringLiteral("Frequency of that resonance in Hz (default 350; 0: none)."), QStringLiteral("HZ")},
        {QStringLiteral("drop-every"), QStringLiteral("Drop every Nth reply."), QStringLiteral("N")},
        {QStringLiteral("corrupt-every"), QStringLiteral("Corrupt the checksum of every Nth reply."), QStringLiteral("N")},
        {QStringLiteral("split"), QStringLiteral("Send replies in chunks of BYTES, GAP ms apart."),
         QStringLiteral("BYTES[:GAP]")},
        {QStringLiteral("delay"), QStringLiteral("Hold every reply MS milliseconds."), QStringLiteral("MS")},
        {QStringLiteral("junk"), QStringLiteral("Put N junk bytes before every waveform block."), QStringLiteral("N")},
        {QStringLiteral("bad-sum-every"), QStringLiteral("Give every Nth waveform block a wrong sum."),
         QStringLiteral("N")},
        {QStringLiteral("stop-after"), QStringLiteral("Answer nothing after N replies."), QStringLiteral("N")},
        {QStringLiteral("hang-up-after"),
         QStringLiteral("Hang up after N replies; come back on a new pseudo-terminal after MS."),
         QStringLiteral("N[:MS]")},
        {QStringLiteral("silent-to"),
         QStringLiteral("Answer nothing to this command byte, as a drive without the command (12 or 0x0C: the "
                        "EEPROM version check and factory reset)."),
         QStringLiteral("CMD")},
        {QStringLiteral("mode"), QStringLiteral("Control mode the drive reports: 1 position, 2 speed, 3 torque (default 1)."),
         QStringLiteral("N")},
        {QStringLiteral("not-ready"), QStringLiteral("The drive is not ready: servo on is refused.")},
        {QStringLiteral("fault"), QStringLiteral("The drive reports this fault or alarm code."), QStringLiteral("CODE")},
        {QStringLiteral("demo"), QStringLiteral("The motor runs a back-and-forth move by itself while the servo is off.")},
        {QStringLiteral("model"),
         QStringLiteral("Identification words the drive reports: product series, model 1, model 2, as four "
                        "hexadecimal digits each (default 0001,0A02,0003)."),
         QStringLiteral("P,M1,M2")},
        {QStringLiteral("firmware"), QStringLiteral("Firmware version number, 104 for V1.04 (default 104)."),
         QStringLiteral("N")},
        {QStringLiteral("serial"), QStringLiteral("Serial number, 15 characters (default VMRSIM202612001)."),
         QStringLiteral("TEXT")},
        {QStringLiteral("stamps"),
         QStringLiteral("EEPROM and default version stamps for commands 12 and 13: equal, different or zero "
                        "(default equal)."),
         QStringLiteral("KIND")},
        {QStringLiteral("refuse"),
         QStringLiteral("Refuse every write of parameter CODE with write result N (default 1, above the maximum); "
                        "may be given more than once."),
         QStringLiteral("CODE[:N]")},
        {QStringLiteral("quiet"), QStringLiteral("Print nothing but the path.")},
    };
    parser.addOptions(options);
    parser.process(app);

    WaveGenerator::Settings wave;
    QString error;
    if (!parseWave(parser, &wave, &error)) {
        printLine(stderr, QStringLiteral("drive-sim: %1").arg(error));
        return 2;
    }
    FaultSwitches faults;
    for (const QString &name : FaultSwitches::names()) {
        if (parser.isSet(name) && !faults.apply(name, parser.value(name), &error)) {
            printLine(stderr, QStringLiteral("drive-sim: %1").arg(error));
            return 2;
        }
    }
    DriveIdentity identity;
    if (!parseIdentity(parser, &identity, &error)) {
        printLine(stderr, QStringLiteral("drive-sim: %1").arg(error));
        return 2;
    }
    QList<std::array<int, 3>> refusals; // group, index, result
    for (const QString &item : parser.values(QStringLiteral("refuse"))) {
        int group = 0, index = 0;
        bool ok = item.startsWith(QLatin1Char('P'))
            && Codes::wireNumbers(item.section(QLatin1Char(':'), 0, 0), &group, &index);
        const int result = item.contains(QLatin1Char(':')) ? item.section(QLatin1Char(':'), 1).toInt(&ok) : 1;
        if (!ok || result <= 0 || result > 0xFFFF) {
            printLine(stderr, QStringLiteral("drive-sim: --refuse takes a parameter code and a write result, as P01_02:1"));
            return 2;
        }
        refusals.append({group, index, result});
    }
    const bool quiet = parser.isSet(QStringLiteral("quiet"));

    DriveEndpoint endpoint(wave);
    endpoint.setFaults(faults);
    const QString params = parser.isSet(QStringLiteral("params"))
        ? parser.value(QStringLiteral("params"))
        : QCoreApplication::applicationDirPath() + QStringLiteral("/ParameterFile/zh_CN_Parameter.xml");
    const int paramCount = endpoint.withModel([&](DriveModel &model) {
        model.loadParameters(params);
        if (parser.isSet(QStringLiteral("values")))
            model.loadValues(parser.value(QStringLiteral("values")));
        return model.parameters().size();
    });
    endpoint.withModel([&](DriveModel &model) {
        if (parser.isSet(QStringLiteral("mode")))
            model.dynamics().settings().controlMode = quint16(parser.value(QStringLiteral("mode")).toUInt());
        model.dynamics().setReady(!parser.isSet(QStringLiteral("not-ready")));
        model.dynamics().setDemo(parser.isSet(QStringLiteral("demo")));
        // Chosen patterns replace what the channels would carry.
        model.setPatternMode(parser.isSet(QStringLiteral("wave")));
        model.dynamics().setFaultCode(quint16(parser.value(QStringLiteral("fault")).toUInt()));
        model.setIdentity(identity);
        if (parser.isSet(QStringLiteral("rigidity")))
            model.parameters().setByName(QStringLiteral("刚性等级"), parser.value(QStringLiteral("rigidity")).toInt());
        if (parser.isSet(QStringLiteral("resonance")))
            model.dynamics().setResonance(parser.value(QStringLiteral("resonance")).toDouble());
        for (const auto &r : qAsConst(refusals))
            model.parameters().refuse(r[0], r[1], quint16(r[2]));
    });
    if (paramCount == 0)
        printLine(stderr, QStringLiteral("drive-sim: no parameters in %1; parameter reads go unanswered").arg(params));
    PtyDriveServer server(endpoint);
    if (!server.start(parser.value(QStringLiteral("link")), &error)) {
        printLine(stderr, QStringLiteral("drive-sim: %1").arg(error));
        return 1;
    }
    printLine(stdout, server.slavePath());
    if (!quiet) {
        printLine(stderr, QStringLiteral("drive-sim: serving a drive on %1%2")
                              .arg(server.slavePath(),
                                   parser.isSet(QStringLiteral("link"))
                                       ? QStringLiteral(" (link %1)").arg(server.portPath())
                                       : QString()));
        printLine(stderr, QStringLiteral("drive-sim: %1 parameters from %2").arg(paramCount).arg(params));
        printLine(stderr, QStringLiteral("drive-sim: waveform %1 sets/s, fault switches: %2")
                              .arg(wave.rate)
                              .arg(faults.describe()));
    }
    server.setOnNewPath([quiet](const QString &path) {
        if (!quiet)
            printLine(stderr, QStringLiteral("drive-sim: back on %1").arg(path));
    });

    // Ctrl+C and kill end it cleanly, so that the link is removed.
    if (::pipe(g_signalPipe) == 0) {
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
        std::signal(SIGHUP, onSignal);
        auto *signalNotifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(signalNotifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    }

    // Commands on standard input.
    auto *input = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, &app);
    QObject::connect(input, &QSocketNotifier::activated, &app, [&, input] {
        char line[512];
        const ssize_t n = ::read(STDIN_FILENO, line, sizeof line - 1);
        if (n <= 0) {
            input->setEnabled(false); // end of input: keep serving
            return;
        }
        const QStringList lines = QString::fromLocal8Bit(line, int(n)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (const QString &raw : lines) {
            const QStringList words = raw.simplified().replace(QLatin1Char('='), QLatin1Char(' ')).split(QLatin1Char(' '), Qt::SkipEmptyParts);
            if (words.isEmpty())
                continue;
            const QString command = words.first();
            if (command == QLatin1String("quit") || command == QLatin1String("exit")) {
                app.quit();
            } else if (command == QLatin1String("stats")) {
                printLine(stderr, QStringLiteral("drive-sim: %1").arg(statsText(endpoint)));
            } else if (command == QLatin1String("servo")) {
                const bool on = words.value(1) == QLatin1String("on");
                endpoint.withModel([on](DriveModel &model) { model.setServoOn(on); });
                printLine(stderr, QStringLiteral("drive-sim: servo %1").arg(on ? QStringLiteral("on") : QStringLiteral("off")));
            } else if (command == QLatin1String("mode") || command == QLatin1String("fault")
                       || command == QLatin1String("ready")) {
                const QString value = words.value(1);
                endpoint.withModel([&](DriveModel &model) {
                    if (command == QLatin1String("mode"))
                        model.dynamics().settings().controlMode = quint16(value.toUInt());
                    else if (command == QLatin1String("fault"))
                        model.dynamics().setFaultCode(quint16(value.toUInt()));
                    else
                        model.dynamics().setReady(value != QLatin1String("off"));
                });
                printLine(stderr, QStringLiteral("drive-sim: %1 %2").arg(command, value));
            } else if (command == QLatin1String("rigidity")) {
                const qint64 level = endpoint.withModel([&](DriveModel &model) {
                    model.parameters().setByName(QStringLiteral("刚性等级"), words.value(1).toInt());
                    return model.parameters().valueByName(QStringLiteral("刚性等级"), -1);
                });
                printLine(stderr, QStringLiteral("drive-sim: rigidity %1").arg(level));
            } else if (command == QLatin1String("stamps")) {
                DriveIdentity::Stamps stamps;
                if (DriveIdentity::parseStamps(words.value(1), &stamps)) {
                    endpoint.withModel([stamps](DriveModel &model) {
                        DriveIdentity changed = model.identity();
                        changed.stamps = stamps;
                        model.setIdentity(changed);
                    });
                    printLine(stderr, QStringLiteral("drive-sim: stamps %1").arg(words.value(1)));
                } else {
                    printLine(stderr, QStringLiteral("drive-sim: stamps takes equal, different or zero"));
                }
            } else if (command == QLatin1String("hang-up")) {
                server.hangUp(words.size() > 1 ? words.at(1).toInt() : -1);
                printLine(stderr, QStringLiteral("drive-sim: hung up"));
            } else if (endpoint.applyFault(command, words.value(1), &error)) {
                printLine(stderr, QStringLiteral("drive-sim: %1").arg(endpoint.faults().describe()));
            } else {
                printLine(stderr, QStringLiteral("drive-sim: %1").arg(error));
            }
        }
    });

    const int result = app.exec();
    server.stop();
    if (!quiet)
        printLine(stderr, QStringLiteral("drive-sim: %1").arg(statsText(endpoint)));
    return result;
}
