// servo-cli: the drive's parameters, monitor variables and waveforms from a
// shell, for production lines and service scripts. It shares the link worker,
// the transfer units and the parameter file format with the window.

#include "drivesession.h"

#include "definitions/codes.h"
#include "definitions/definitions.h"
#include "definitions/servoinfo.h"
#include "link/platform.h"
#include "mainwindow/manualrunreply.h"
#include "mainwindow/monitorquery.h"
#include "mainwindow/paramdiff.h"
#include "mainwindow/paramfile.h"
#include "mainwindow/paramtransfer.h"
#include "mainwindow/portscan.h"
#include "mainwindow/wavecapture.h"
#include "mainwindow/wavefile.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QTimer>
#include <QTranslator>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

enum Status { Success = 0, Different = 1, Refused = 2, LinkFailed = 3, BadInput = 4 };

std::atomic<bool> g_interrupted{false};

void print(FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
    // Nobody reads any more (monitor | head): a running command ends.
    if (std::ferror(stream))
        g_interrupted = true;
}

// One line on stderr per error.
int fail(int status, const QString &message)
{
    QString line = message;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    print(stderr, QStringLiteral("servo-cli: %1").arg(line));
    return status;
}

// A progress line, only where someone watches: stderr on a terminal.
class Progress
{
public:
    Progress()
        : m_shown(::isatty(STDERR_FILENO) == 1)
    {
    }
    ~Progress() { done(); }
    void show(const QString &what, int done, int total)
    {
        if (!m_shown)
            return;
        std::fprintf(stderr, "\r%s %d/%d\033[K", what.toLocal8Bit().constData(), done, total);
        std::fflush(stderr);
        m_dirty = true;
    }
    void done()
    {
        if (m_dirty)
            std::fputs("\r\033[K", stderr);
        m_dirty = false;
    }

private:
    bool m_shown;
    bool m_dirty = false;
};

// Columns padded to their widest cell.
QString table(const QList<QStringList> &rows)
{
    QVector<int> widths;
    for (const QStringList &row : rows) {
        for (int c = 0; c < row.size(); ++c) {
            if (widths.size() <= c)
                widths.append(0);
            widths[c] = std::max(widths[c], int(row.at(c).size()));
        }
    }
    QStringList lines;
    for (const QStringList &row : rows) {
        QString line;
        for (int c = 0; c < row.size(); ++c)
            line += c + 1 < row.size() ? row.at(c).leftJustified(widths[c] + 2) : row.at(c);
        lines.append(line);
    }
    return lines.join(QLatin1Char('\n'));
}

void printJson(const QJsonValue &value)
{
    const QJsonDocument doc = value.isArray() ? QJsonDocument(value.toArray()) : QJsonDocument(value.toObject());
    std::fputs(doc.toJson(QJsonDocument::Indented).constData(), stdout);
    std::fflush(stdout);
}

struct Options {
    QString programDir;
    QString lang = QStringLiteral("en_US");
    bool json = false;
};

// The definition file of a model: as the window chooses it, the servo
// information table's file for the model when it names one inside
// ParameterFile/, otherwise Parameter.xml; in the language asked for, else
// in Chinese.
bool loadDefinitions(const Options &o, const QString &fileName, Definitions &defs, QString *error)
{
    QString path = QStringLiteral("%1/ParameterFile/%2_%3").arg(o.programDir, o.lang, fileName);
    if (!QFileInfo::exists(path))
        path = QStringLiteral("%1/ParameterFile/zh_CN_%2").arg(o.programDir, fileName);
    defs.clear();
    const DefinitionLoad load = readParameterFile(path, defs);
    if (load.problem != DefinitionLoad::None || defs.parameterCount() == 0) {
        *error = QStringLiteral("%1: definition file not readable (%2)").arg(path, load.reason);
        return false;
    }
    return true;
}

ServoInfoTable servoTable(const Options &o)
{
    ServoInfoTable table;
    ServoInfo::readFile(o.programDir + QStringLiteral("/ParameterFile/02-ServoInformation.xml"), table);
    return table;
}

QString definitionFileForModel(const Options &o, const QString &model)
{
    const ServoInfoTable table = servoTable(o);
    for (const ServoInfoRecord &row : table) {
        if (row.ServoInfo == model && ServoInfo::definitionFileNameAllowed(row.XMLfileName))
            return row.XMLfileName;
    }
    return QStringLiteral("Parameter.xml");
}

// A connected, identified drive with its definitions.
struct Drive {
    DriveSession session;
    Definitions defs;
    QString model;
    QString version;
    QString serialNumber;
    QString definitionFile;
    ServoInfo::Identity id;

    int linkError() { return fail(LinkFailed, session.lastError()); }
};

int connectDrive(const Options &o, const QString &port, Drive &d)
{
    if (port.isEmpty())
        return fail(BadInput, QStringLiteral("--port is missing"));
    QString error;
    if (!d.session.open(port, &error))
        return fail(LinkFailed, error);
    // Identified as the window does: the reply's four words are the key of
    // the servo information table.
    QByteArray reply;
    if (!d.session.exchange(Cmd::DeviceInfo, QByteArray::fromHex("020102100010"), 0x66, &reply))
        return fail(LinkFailed, QStringLiteral("%1: no drive answers (%2)").arg(port, d.session.lastError()));
    d.id = ServoInfo::decodeReply(reinterpret_cast<const uint8_t *>(reply.constData()),
                                  reply.size() + FrameFormat::kOverhead);
    const ServoInfoTable table = servoTable(o);
    const auto row = table.constFind(d.id.key());
    d.definitionFile = QStringLiteral("Parameter.xml");
    if (row != table.constEnd()) {
        d.model = row->ServoInfo;
        if (ServoInfo::definitionFileNameAllowed(row->XMLfileName))
            d.definitionFile = row->XMLfileName;
    } else {
        d.model = QStringLiteral("Unknown Device(Code:%1)").arg(d.id.key());
    }
    d.version = d.id.version();
    d.serialNumber = d.id.serialNumber.trimmed();
    d.serialNumber.remove(QChar(0));
    if (!loadDefinitions(o, d.definitionFile, d.defs, &error))
        return fail(BadInput, error);
    return Success;
}

// Reads every parameter in the window's batches.
int readAll(Drive &d)
{
    Progress progress;
    const bool wide = d.defs.wideValues();
    const int total = d.defs.parameterCount();
    ParamTransfer::mark(d.defs, ParamTransfer::MarkAllToRead, ParamTransfer::kAllGroups);
    int done = 0;
    for (;;) {
        const QStringList pending = ParamTransfer::collect(d.defs, ParamState::ToRead, ParamTransfer::readAllBatch(wide));
        if (pending.isEmpty())
            return Success;
        const ParamTransfer::Request request = ParamTransfer::readRange(pending, wide);
        if (!request.ok)
            return fail(BadInput, QStringLiteral("%1: code does not fit the protocol").arg(pending.first()));
        QByteArray reply;
        if (!d.session.exchange(Cmd::ReadParamRange, request.payload, request.rxLen, &reply))
            return d.linkError();
        ParamTransfer::decodeRead(reply, pending, d.defs, wide);
        done = total - ParamTransfer::collect(d.defs, ParamState::ToRead, total).size();
        progress.show(QStringLiteral("reading parameters"), done, total);
    }
}

// Reads the listed parameters.
int readCodes(Drive &d, const QStringList &codes)
{
    for (const QString &code : codes) {
        if (ParamRecord *p = d.defs.findParam(code)) {
            p->currentValue.clear();
            p->state |= ParamState::ToRead;
        }
    }
    const bool wide = d.defs.wideValues();
    for (;;) {
        const QStringList pending = ParamTransfer::collect(d.defs, ParamState::ToRead, ParamTransfer::kReadListBatch);
        if (pending.isEmpty())
            return Success;
        const ParamTransfer::Request request = ParamTransfer::readList(pending, wide);
        if (!request.ok)
            return fail(BadInput, QStringLiteral("%1: code does not fit the protocol").arg(pending.first()));
        QByteArray reply;
        if (!d.session.exchange(Cmd::ReadParamList, request.payload, request.rxLen, &reply))
            return d.linkError();
        ParamTransfer::decodeRead(reply, request.sent, d.defs, wide);
        // A code the request left out is not asked for again.
        for (const QString &code : pending) {
            if (!request.sent.contains(code))
                d.defs.findParam(code)->state &= quint16(~ParamState::ToRead);
        }
    }
}

// Writes the current values of `codes`; what the drive or the wire refused
// goes to `refusals` as "code: reason".
int writeCodes(Drive &d, const QStringList &codes, QStringList *refusals)
{
    Progress progress;
    for (const QString &code : codes)
        d.defs.findParam(code)->state |= ParamState::ToWrite;
    int done = 0;
    for (;;) {
        const QStringList pending = ParamTransfer::collect(d.defs, ParamState::ToWrite, ParamTransfer::kDownloadBatch);
        if (pending.isEmpty())
            return Success;
        QStringList refused;
        const ParamTransfer::Request request = ParamTransfer::download(pending, d.defs, d.defs.wideValues(), &refused);
        *refusals += refused;
        if (!request.ok) {
            if (refused.isEmpty())
                return fail(BadInput, QStringLiteral("%1: cannot be written").arg(pending.first()));
            continue;
        }
        QByteArray reply;
        if (!d.session.exchange(Cmd::WriteParams, request.payload, request.rxLen, &reply))
            return d.linkError();
        const QStringList result = ParamTransfer::decodeDownload(reply, d.defs);
        if (result.size() > 2)
            *refusals += result.mid(2);
        // An item the reply did not answer was not taken either.
        for (const QString &code : request.sent) {
            ParamRecord *p = d.defs.findParam(code);
            if (p->state & ParamState::ToWrite) {
                p->state &= quint16(~ParamState::ToWrite);
                refusals->append(code + QStringLiteral(": no answer from the drive"));
            }
        }
        done += request.sent.size();
        progress.show(QStringLiteral("writing parameters"), done, codes.size());
    }
}

// Whether the drive runs with the servo on, from its manual-run data reply.
int servoOn(Drive &d, bool *on)
{
    QByteArray payload(8, '\0');
    payload[1] = char(ManualRunReply::kReadData);
    QByteArray reply;
    if (!d.session.exchange(Cmd::ManualRun, payload, -1, &reply))
        return d.linkError();
    ManualRunReply state;
    state.decode(reply);
    *on = state.energised();
    return Success;
}

// "P01_02 Name: reason", one line each.
void reportRefusals(const Drive &d, const QStringList &refusals)
{
    for (const QString &line : refusals) {
        const QString code = line.section(QLatin1Char(':'), 0, 0);
        const ParamRecord *p = d.defs.findParam(code);
        const QString reason = line.section(QLatin1Char(':'), 1).trimmed();
        fail(Refused, QStringLiteral("refused %1 %2: %3").arg(code, p ? p->parametername : QString(), reason));
    }
}

// A value for `p` as the input dialog takes it: a decimal number the
// transfer field carries, within MinValue and MaxValue.
bool checkValue(const ParamRecord &p, const QString &value, bool wide, QString *error)
{
    if (!ParamFile::transferable(value, wide)) {
        *error = QStringLiteral("%1: \"%2\" is not a number the parameter takes").arg(p.ParameterIndex, value);
        return false;
    }
    if (!ParamFile::withinLimits(value, p)) {
        *error = QStringLiteral("%1: %2 is outside %3 to %4").arg(p.ParameterIndex, value, p.MinValue, p.MaxValue);
        return false;
    }
    return true;
}

// Parameter codes as the user may type them: P1-2, p01_02 and P01_02 alike.
QString parameterCode(const QString &text)
{
    int group, index;
    const QString upper = text.trimmed().toUpper();
    if (!upper.startsWith(QLatin1Char('P')) || !Codes::wireNumbers(upper, &group, &index))
        return QString();
    return Codes::parameterCode(group, index);
}

// --- Commands ------------------------------------------------------------------

int cmdPorts(const Options &o)
{
    const QStringList serial = Platform::serialPorts();
    QStringList hidPaths;
    const QStringList hid = PortScan::hidEntries(PortScan::enumerateHid(), &hidPaths);
    if (o.json) {
        QJsonArray ports;
        for (const QString &name : serial)
            ports.append(QJsonObject{{QStringLiteral("name"), name}, {QStringLiteral("kind"), QStringLiteral("serial")}});
        for (int i = 0; i < hid.size(); ++i)
            ports.append(QJsonObject{{QStringLiteral("name"), hid.at(i)},
                                     {QStringLiteral("kind"), QStringLiteral("hid")},
                                     {QStringLiteral("path"), hidPaths.value(i)}});
        printJson(ports);
        return Success;
    }
    QList<QStringList> rows{{QStringLiteral("PORT"), QStringLiteral("KIND"), QStringLiteral("PATH")}};
    for (const QString &name : serial)
        rows.append({name, QStringLiteral("serial"), name});
    for (int i = 0; i < hid.size(); ++i)
        rows.append({hid.at(i), QStringLiteral("hid"), hidPaths.value(i)});
    print(stdout, table(rows));
    return Success;
}

int cmdInfo(const Options &o, const QString &port)
{
    Drive d;
    if (const int status = connectDrive(o, port, d))
        return status;
    QString eeprom = QStringLiteral("-"), defaults = QStringLiteral("-");
    QByteArray reply;
    if (d.session.exchange(Cmd::VersionCheck1, QByteArray(2, '\0'), -1, &reply)) {
        const ServoInfo::VersionStamps stamps =
            ServoInfo::decodeStamps(reinterpret_cast<const uint8_t *>(reply.constData()), reply.size());
        eeprom = stamps.eeprom;
        defaults = stamps.defaults;
    }
    const QList<QPair<QString, QString>> fields{{QStringLiteral("model"), d.model},
                                                {QStringLiteral("firmware"), d.version},
                                                {QStringLiteral("serial"), d.serialNumber},
                                                {QStringLiteral("eeprom"), eeprom},
                                                {QStringLiteral("defaults"), defaults},
                                                {QStringLiteral("definitions"), d.definitionFile},
                                                {QStringLiteral("parameters"), QString::number(d.defs.parameterCount())}};
    if (o.json) {
        QJsonObject obj;
        for (const auto &f : fields)
            obj.insert(f.first, f.second);
        printJson(obj);
    } else {
        QList<QStringList> rows;
        for (const auto &f : fields)
            rows.append({f.first, f.second});
        print(stdout, table(rows));
    }
    return Success;
}

int cmdBackup(const Options &o, const QString &port, const QString &file)
{
    if (file.isEmpty())
        return fail(BadInput, QStringLiteral("-o FILE.conf is missing"));
    Drive d;
    if (const int status = connectDrive(o, port, d))
        return status;
    if (const int status = readAll(d))
        return status;
    QString error;
    int leftOut = 0;
    const QMap<QString, QString> extra{
        {QStringLiteral("SerialNumber"), d.serialNumber},
        {QStringLiteral("Date"), QDateTime::currentDateTimeUtc().toString(Qt::ISODate)},
        {QStringLiteral("ToolVersion"), QStringLiteral(SERVO_TOOL_VERSION)}};
    if (!ParamFile::write(file, d.defs, d.model, d.version, &error, &leftOut, extra))
        return fail(BadInput, error);
    const int saved = ParamFile::valueCount(d.defs);
    if (o.json) {
        printJson(QJsonObject{{QStringLiteral("file"), file},
                              {QStringLiteral("model"), d.model},
                              {QStringLiteral("firmware"), d.version},
                              {QStringLiteral("serial"), d.serialNumber},
                              {QStringLiteral("saved"), saved},
                              {QStringLiteral("absent"), leftOut}});
    } else {
        print(stdout, QStringLiteral("%1: %2 parameters of %3 %4 (serial %5)%6")
                          .arg(file)
                          .arg(saved)
                          .arg(d.model, d.version, d.serialNumber,
                               leftOut ? QStringLiteral(", %1 the drive does not have").arg(leftOut) : QString()));
    }
    return Success;
}

// A parameter file, or the one-line reason it cannot be used.
bool readFile(const QString &path, ParamFile::Contents *contents)
{
    *contents = ParamFile::read(path);
    if (contents->status == ParamFile::Contents::Unreadable) {
        fail(BadInput, QStringLiteral("%1: not a readable parameter file").arg(path));
        return false;
    }
    if (contents->status == ParamFile::Contents::Incomplete) {
        fail(BadInput, QStringLiteral("%1: cut short or garbled").arg(path));
        return false;
    }
    return true;
}

int cmdRestore(const Options &o, const QString &port, const QString &path, bool dryRun, bool force)
{
    ParamFile::Contents file;
    if (!readFile(path, &file))
        return BadInput;
    if (file.values.isEmpty())
        return fail(BadInput, QStringLiteral("%1: no parameter values").arg(path));
    Drive d;
    if (const int status = connectDrive(o, port, d))
        return status;
    if ((file.model != d.model || file.version != d.version) && !force)
        return fail(BadInput, QStringLiteral("%1 is for %2 %3, the drive is %4 %5 (--force restores it anyway)")
                                  .arg(path, file.model, file.version, d.model, d.version));
    // Every value is checked before anything is written.
    const bool wide = d.defs.wideValues();
    QStringList candidates, readOnly;
    QStringList keys = file.values.keys();
    std::sort(keys.begin(), keys.end(), [](const QString &a, const QString &b) { return Codes::number(a) < Codes::number(b); });
    for (const QString &code : qAsConst(keys)) {
        const QString value = file.values.value(code);
        const ParamRecord *p = d.defs.findParam(code);
        if (!p) {
            if (!force)
                return fail(BadInput, QStringLiteral("%1: %2 is not a parameter of %3").arg(path, code, d.model));
            continue;
        }
        if (value.isEmpty())
            continue;
        QString error;
        if (!checkValue(*p, value, wide, &error))
            return fail(BadInput, QStringLiteral("%1: %2").arg(path, error));
        if (ParamDiff::modifyOf(*p) == ParamDiff::Modify::ReadOnly)
            readOnly.append(code);
        else
            candidates.append(code);
    }
    if (const int status = readAll(d))
        return status;
    // Read-only values are never written; those that differ are listed.
    readOnly.erase(std::remove_if(readOnly.begin(), readOnly.end(), [&](const QString &code) {
                       return ParamDiff::sameValue(d.defs.findParam(code)->currentValue, file.values.value(code));
                   }),
                   readOnly.end());
    QStringList toWrite;
    QHash<QString, QString> before;
    for (const QString &code : qAsConst(candidates)) {
        ParamRecord *p = d.defs.findParam(code);
        if (ParamDiff::sameValue(p->currentValue, file.values.value(code)))
            continue;
        before.insert(code, p->currentValue);
        toWrite.append(code);
    }
    // Stop-only parameters are written only with the servo off; with the
    // servo on they are left out and named.
    QStringList stoppedOnly;
    for (const QString &code : qAsConst(toWrite)) {
        if (ParamDiff::modifyOf(*d.defs.findParam(code)) == ParamDiff::Modify::WhileStopped)
            stoppedOnly.append(code);
    }
    if (!stoppedOnly.isEmpty()) {
        bool on = false;
        if (const int status = servoOn(d, &on))
            return status;
        if (on) {
            for (const QString &code : qAsConst(stoppedOnly))
                toWrite.removeAll(code);
        } else {
            stoppedOnly.clear();
        }
    }
    QStringList refusals;
    for (const QString &code : qAsConst(stoppedOnly))
        refusals.append(code + QStringLiteral(": may only be set with the servo off, and the servo is on"));
    if (!dryRun && !toWrite.isEmpty()) {
        for (const QString &code : qAsConst(toWrite))
            d.defs.findParam(code)->currentValue = file.values.value(code);
        if (const int status = writeCodes(d, toWrite, &refusals))
            return status;
        if (const int status = readCodes(d, toWrite))
            return status;
        for (const QString &code : qAsConst(toWrite)) {
            const ParamRecord *p = d.defs.findParam(code);
            const bool refused = std::any_of(refusals.cbegin(), refusals.cend(), [&](const QString &line) {
                return line.section(QLatin1Char(':'), 0, 0) == code;
            });
            if (!refused && !ParamDiff::sameValue(p->currentValue, file.values.value(code)))
                refusals.append(QStringLiteral("%1: reads back %2").arg(code, p->currentValue));
        }
    }
    if (o.json) {
        QJsonArray written, skipped;
        for (const QString &code : qAsConst(toWrite))
            written.append(QJsonObject{{QStringLiteral("code"), code},
                                       {QStringLiteral("from"), before.value(code)},
                                       {QStringLiteral("to"), file.values.value(code)}});
        for (const QString &code : qAsConst(readOnly))
            skipped.append(code);
        QJsonArray refused;
        for (const QString &line : qAsConst(refusals))
            refused.append(line);
        printJson(QJsonObject{{dryRun ? QStringLiteral("would_write") : QStringLiteral("written"), written},
                              {QStringLiteral("skipped_read_only"), skipped},
                              {QStringLiteral("refused"), refused}});
    } else {
        QList<QStringList> rows{{QStringLiteral("CODE"), QStringLiteral("NAME"), QStringLiteral("DRIVE"),
                                 dryRun ? QStringLiteral("WOULD WRITE") : QStringLiteral("WRITTEN")}};
        for (const QString &code : qAsConst(toWrite))
            rows.append({code, d.defs.findParam(code)->parametername, before.value(code), file.values.value(code)});
        if (toWrite.isEmpty())
            print(stdout, QStringLiteral("no parameter differs"));
        else
            print(stdout, table(rows));
        if (!readOnly.isEmpty())
            print(stdout, QStringLiteral("skipped, read-only: %1").arg(readOnly.join(QLatin1Char(' '))));
    }
    reportRefusals(d, refusals);
    return refusals.isEmpty() ? Success : Refused;
}

int cmdDiff(const Options &o, const QStringList &files, const QString &port)
{
    if (files.isEmpty() || files.size() > 2 || (files.size() == 2) == !port.isEmpty())
        return fail(BadInput, QStringLiteral("diff takes A.conf and either B.conf or --port P"));
    ParamFile::Contents left, right;
    if (!readFile(files.at(0), &left))
        return BadInput;
    Drive d;
    QString rightName;
    if (!port.isEmpty()) {
        if (const int status = connectDrive(o, port, d))
            return status;
        if (const int status = readAll(d))
            return status;
        // The drive against what the file says: codes the file leaves out are
        // no difference.
        right.values = ParamDiff::currentValues(d.defs, &left.values);
        rightName = port;
    } else {
        if (!readFile(files.at(1), &right))
            return BadInput;
        QString error;
        if (!loadDefinitions(o, definitionFileForModel(o, left.model), d.defs, &error))
            return fail(BadInput, error);
        rightName = files.at(1);
    }
    const QList<ParamDiff::Row> rows = ParamDiff::compare(d.defs, left.values, right.values);
    if (o.json) {
        QJsonArray list;
        for (const ParamDiff::Row &r : rows)
            list.append(QJsonObject{{QStringLiteral("code"), r.code},
                                    {QStringLiteral("name"), r.name},
                                    {QStringLiteral("unit"), r.unit},
                                    {QStringLiteral("left"), r.left},
                                    {QStringLiteral("right"), r.right}});
        printJson(list);
    } else if (!rows.isEmpty()) {
        QList<QStringList> lines{{QStringLiteral("CODE"), QStringLiteral("NAME"), QStringLiteral("UNIT"), files.at(0), rightName}};
        for (const ParamDiff::Row &r : rows)
            lines.append({r.code, r.name, r.unit, r.left, r.right});
        print(stdout, table(lines));
    }
    return rows.isEmpty() ? Success : Different;
}

int cmdGet(const Options &o, const QString &port, const QStringList &args)
{
    if (args.isEmpty())
        return fail(BadInput, QStringLiteral("get takes one or more parameter codes"));
    Drive d;
    if (const int status = connectDrive(o, port, d))
        return status;
    QStringList codes;
    for (const QString &arg : args) {
        const QString code = parameterCode(arg);
        if (code.isEmpty() || !d.defs.findParam(code))
            return fail(BadInput, QStringLiteral("%1: not a parameter of %2").arg(arg, d.model));
        codes.append(code);
    }
    if (const int status = readCodes(d, codes))
        return status;
    QJsonArray list;
    QList<QStringList> rows{{QStringLiteral("CODE"), QStringLiteral("NAME"), QStringLiteral("VALUE"), QStringLiteral("UNIT")}};
    for (const QString &code : qAsConst(codes)) {
        const ParamRecord *p = d.defs.findParam(code);
        list.append(QJsonObject{{QStringLiteral("code"), code},
                                {QStringLiteral("name"), p->parametername},
                                {QStringLiteral("value"), p->currentValue},
                                {QStringLiteral("unit"), p->Uint}});
        rows.append({code, p->parametername, p->currentValue.isEmpty() ? QStringLiteral("(absent)") : p->currentValue, p->Uint});
    }
    if (o.json)
        printJson(list);
    else
        print(stdout, table(rows));
    return Success;
}

int cmdSet(const Options &o, const QString &port, const QStringList &args)
{
    if (args.isEmpty())
        return fail(BadInput, QStringLiteral("set takes one or more CODE=VALUE"));
    Drive d;
    if (const int status = connectDrive(o, port, d))
        return status;
    QStringList codes;
    QHash<QString, QString> values;
    for (const QString &arg : args) {
        const QString code = parameterCode(arg.section(QLatin1Char('='), 0, 0));
        const QString value = arg.section(QLatin1Char('='), 1).trimmed();
        const ParamRecord *p = code.isEmpty() ? nullptr : d.defs.findParam(code);
        if (!arg.contains(QLatin1Char('=')) || !p)
            return fail(BadInput, QStringLiteral("%1: not CODE=VALUE for a parameter of %2").arg(arg, d.model));
        if (ParamDiff::modifyOf(*p) == ParamDiff::Modify::ReadOnly)
            return fail(BadInput, QStringLiteral("%1: read-only").arg(code));
        QString error;
        if (!checkValue(*p, value, d.defs.wideValues(), &error))
            return fail(BadInput, error);
        codes.append(code);
        values.insert(code, value);
    }
    for (const QString &code : qAsConst(codes))
        d.defs.findParam(code)->currentValue = values.value(code);
    QStringList refusals;
    if (const int status = writeCodes(d, codes, &refusals))
        return status;
    if (const int status = readCodes(d, codes))
        return status;
    QList<QStringList> rows{{QStringLiteral("CODE"), QStringLiteral("NAME"), QStringLiteral("VALUE")}};
    QJsonArray list;
    for (const QString &code : qAsConst(codes)) {
        const ParamRecord *p = d.defs.findParam(code);
        rows.append({code, p->parametername, p->currentValue});
        list.append(QJsonObject{{QStringLiteral("code"), code}, {QStringLiteral("value"), p->currentValue}});
    }
    if (o.json)
        printJson(list);
    else
        print(stdout, table(rows));
    reportRefusals(d, refusals);
    return refusals.isEmpty() ? Success : Refused;
}

QString csvField(const QString &text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')))
        return text;
    return QLatin1Char('"') + QString(text).replace(QLatin1String("\""), QLatin1String("\"\"")) + QLatin1Char('"');
}

int cmdMonitor(const Options &o, const QString &port, const QStringList &args, int periodMs, int count)
{
    if (args.isEmpty())
        return fail(BadInput, QStringLiteral("monitor takes one or more monitor codes (U0-01)"));
    Drive d;
    if (const int status = connectDrive(o, port, d))
        return status;
    QStringList codes;
    for (const QString &arg : args) {
        int group, index;
        const QString upper = arg.trimmed().toUpper();
        const QString code = upper.startsWith(QLatin1Char('U')) && Codes::wireNumbers(upper, &group, &index)
            ? Codes::monitorCode(group, index)
            : QString();
        const int g = Codes::monitorGroup(code);
        if (g == Codes::kNoGroup || !d.defs.unGroups[size_t(g)].contains(code))
            return fail(BadInput, QStringLiteral("%1: not a monitor variable of %2").arg(arg, d.model));
        codes.append(code);
    }
    for (UnGroup &group : d.defs.unGroups) {
        for (UnDisplayRecord &item : group)
            item.state = codes.contains(item.UnDisplayIndex) ? quint16(MonitorQuery::Shown) : quint16(0);
    }
    if (!o.json)
        print(stdout, QStringLiteral("time_ms,") + codes.join(QLatin1Char(',')));
    MonitorQuery query;
    QElapsedTimer clock;
    clock.start();
    for (int row = 0; (count <= 0 || row < count) && !g_interrupted; ++row) {
        const qint64 at = clock.elapsed();
        query.startCycle(d.defs);
        for (;;) {
            const MonitorQuery::Batch batch = query.nextBatch(d.defs);
            if (!batch.ok)
                break;
            QByteArray reply;
            if (!d.session.exchange(Cmd::ReadMonitor, batch.payload, batch.rxLen, &reply))
                return d.linkError();
            query.takeReply(reply, batch, d.defs);
        }
        QStringList values;
        QJsonObject obj{{QStringLiteral("time_ms"), at}};
        for (const QString &code : qAsConst(codes)) {
            const QString text = d.defs.unGroups[size_t(Codes::monitorGroup(code))].value(code).valueText;
            values.append(csvField(text));
            obj.insert(code, text);
        }
        if (o.json)
            print(stdout, QString::fromUtf8(QJsonDocument(obj).toJson(QJsonDocument::Compact)));
        else
            print(stdout, QString::number(at) + QLatin1Char(',') + values.join(QLatin1Char(',')));
        if (count > 0 && row + 1 >= count)
            break;
        const qint64 next = (row + 1) * qint64(periodMs);
        QEventLoop wait;
        QTimer::singleShot(int(std::max<qint64>(0, next - clock.elapsed())), &wait, &QEventLoop::quit);
        wait.exec();
    }
    return Success;
}

struct Command {
    const char *name;
    const char *args;
    const char *summary;
};

const Command kCommands[] = {
    {"ports", "", "List serial ports (with SERVO_EXTRA_PORTS) and HID drives."},
    {"info", "--port P", "Model, firmware, serial number, EEPROM and default stamps."},
    {"backup", "--port P -o FILE.conf", "Read every parameter into a parameter file."},
    {"restore", "FILE.conf --port P [--dry-run] [--force]",
     "Write the writable parameters that differ, then read them back."},
    {"diff", "A.conf [B.conf | --port P]", "List the parameters whose values differ."},
    {"get", "--port P CODE...", "Read parameters."},
    {"set", "--port P CODE=VALUE...", "Write parameters, with the range checks of the input dialog."},
    {"monitor", "--port P [--period MS] [--count N] CODE...", "Monitor variables as CSV rows."},
    {"capture", "--port P [--channels A,B,C,D] [--rate 1000|10000] --seconds S -o FILE.csv",
     "Capture waveforms into a CSV file."},
};

QString usage()
{
    QStringList lines{QStringLiteral("Usage: servo-cli COMMAND [options]"), QString(), QStringLiteral("Commands:")};
    for (const Command &c : kCommands)
        lines.append(QStringLiteral("  %1 %2\n      %3").arg(QLatin1String(c.name), QLatin1String(c.args), QLatin1String(c.summary)));
    lines << QString()
          << QStringLiteral("Every command takes --help and --json. Exit status: 0 done or same, 1 different, 2 refused "
                            "by the drive, 3 link not opened or dropped, 4 bad file or argument.");
    return lines.join(QLatin1Char('\n'));
}

int capture(const Options &o, const QString &port, const QString &channels, int rate, double seconds,
            const QString &file);

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("servo-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(SERVO_TOOL_VERSION));
    std::signal(SIGINT, [](int) { g_interrupted = true; });
    std::signal(SIGPIPE, SIG_IGN);

    QStringList args = app.arguments();
    if (args.size() < 2 || args.at(1) == QLatin1String("--help") || args.at(1) == QLatin1String("-h")
        || args.at(1) == QLatin1String("help")) {
        print(args.size() < 2 ? stderr : stdout, usage());
        return args.size() < 2 ? BadInput : Success;
    }
    const QString command = args.takeAt(1);
    const Command *known = nullptr;
    for (const Command &c : kCommands) {
        if (command == QLatin1String(c.name))
            known = &c;
    }
    if (!known)
        return fail(BadInput, QStringLiteral("unknown command \"%1\" (servo-cli --help lists them)").arg(command));

    QCommandLineParser parser;
    parser.setApplicationDescription(QLatin1String(known->summary));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help."));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Output JSON instead of a table."));
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("Serial port, device path or HIDn."),
                                  QStringLiteral("P"));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")}, QStringLiteral("File to write."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption lang(QStringLiteral("lang"),
                                  QStringLiteral("Language of parameter names: en_US (default) or zh_CN."),
                                  QStringLiteral("LANG"));
    parser.addOption(help);
    parser.addOption(json);
    parser.addOption(lang);
    const QString name = command;
    if (name != QLatin1String("ports"))
        parser.addOption(port);
    if (name == QLatin1String("backup") || name == QLatin1String("capture"))
        parser.addOption(output);
    const QCommandLineOption dryRun(QStringLiteral("dry-run"), QStringLiteral("Show what would be written; write nothing."));
    const QCommandLineOption force(QStringLiteral("force"),
                                   QStringLiteral("Restore a file of another model or version, skipping unknown codes."));
    const QCommandLineOption period(QStringLiteral("period"), QStringLiteral("Milliseconds between rows (default 1000)."),
                                    QStringLiteral("MS"), QStringLiteral("1000"));
    const QCommandLineOption count(QStringLiteral("count"), QStringLiteral("Rows to print (default: until Ctrl+C)."),
                                   QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption channels(QStringLiteral("channels"), QStringLiteral("Four channel names or numbers."),
                                      QStringLiteral("A,B,C,D"));
    const QCommandLineOption rate(QStringLiteral("rate"), QStringLiteral("Sample sets a second: 1000 or 10000."),
                                  QStringLiteral("N"), QStringLiteral("1000"));
    const QCommandLineOption secondsOpt(QStringLiteral("seconds"), QStringLiteral("How long to capture."),
                                        QStringLiteral("S"));
    if (name == QLatin1String("restore")) {
        parser.addOption(dryRun);
        parser.addOption(force);
    } else if (name == QLatin1String("monitor")) {
        parser.addOption(period);
        parser.addOption(count);
    } else if (name == QLatin1String("capture")) {
        parser.addOption(channels);
        parser.addOption(rate);
        parser.addOption(secondsOpt);
    }
    parser.addPositionalArgument(QStringLiteral("arguments"), QLatin1String(known->args), QLatin1String(known->args));
    if (!parser.parse(args))
        return fail(BadInput, parser.errorText());
    if (parser.isSet(help)) {
        QString text = parser.helpText();
        const int usageEnd = text.indexOf(QLatin1Char('\n'));
        text.replace(0, usageEnd, QStringLiteral("Usage: servo-cli %1 %2").arg(name, QLatin1String(known->args)));
        print(stdout, text.trimmed());
        return Success;
    }

    Options o;
    o.programDir = QCoreApplication::applicationDirPath();
    o.json = parser.isSet(json);
    if (parser.isSet(lang))
        o.lang = parser.value(lang);
    if (o.lang != QLatin1String("en_US") && o.lang != QLatin1String("zh_CN"))
        return fail(BadInput, QStringLiteral("--lang takes en_US or zh_CN"));
    // Refusal reasons and other texts of the shared units in the language asked for.
    QTranslator translator;
    if (o.lang != QLatin1String("zh_CN")
        && translator.load(QStringLiteral("%1/translations/%2_app.qm").arg(o.programDir, o.lang)))
        QCoreApplication::installTranslator(&translator);

    const QStringList positional = parser.positionalArguments();
    const QString portName = name == QLatin1String("ports") ? QString() : parser.value(port);
    if (name == QLatin1String("ports"))
        return cmdPorts(o);
    if (name == QLatin1String("info"))
        return cmdInfo(o, portName);
    if (name == QLatin1String("backup"))
        return cmdBackup(o, portName, parser.value(output));
    if (name == QLatin1String("restore")) {
        if (positional.size() != 1)
            return fail(BadInput, QStringLiteral("restore takes one FILE.conf"));
        return cmdRestore(o, portName, positional.first(), parser.isSet(dryRun), parser.isSet(force));
    }
    if (name == QLatin1String("diff"))
        return cmdDiff(o, positional, portName);
    if (name == QLatin1String("get"))
        return cmdGet(o, portName, positional);
    if (name == QLatin1String("set"))
        return cmdSet(o, portName, positional);
    if (name == QLatin1String("monitor")) {
        bool okPeriod = false, okCount = false;
        const int ms = parser.value(period).toInt(&okPeriod);
        const int n = parser.value(count).toInt(&okCount);
        if (!okPeriod || ms < 10 || ms > 3600000 || !okCount || n < 0)
            return fail(BadInput, QStringLiteral("--period takes 10 to 3600000 ms, --count a number from 0"));
        return cmdMonitor(o, portName, positional, ms, n);
    }
    bool okRate = false, okSeconds = false;
    const int r = parser.value(rate).toInt(&okRate);
    const double s = parser.value(secondsOpt).toDouble(&okSeconds);
    if (!okRate || (r != 1000 && r != 10000))
        return fail(BadInput, QStringLiteral("--rate takes 1000 or 10000"));
    if (!okSeconds || s <= 0 || s > 3600)
        return fail(BadInput, QStringLiteral("--seconds takes a time from 0 to 3600"));
    if (parser.value(output).isEmpty())
        return fail(BadInput, QStringLiteral("-o FILE.csv is missing"));
    return capture(o, portName, parser.value(channels), r, s, parser.value(output));
}

namespace {

// A capture as the waveform page makes one: the start command names four
// positions in the definition file's channel list, the worker keeps the
// stream alive, and the samples land in the page's CSV format.
int capture(const Options &o, const QString &port, const QString &channels, int rate, double seconds,
            const QString &file)
{
    Drive d;
    if (const int status = connectDrive(o, port, d))
        return status;
    QStringList names; // the channel list, in key order
    for (int k = 0; k <= 256; ++k) {
        auto it = d.defs.waveChannels.constFind(QString::number(k));
        if (it != d.defs.waveChannels.constEnd() && !it->WaveChName.isEmpty())
            names.append(it->WaveChName);
    }
    std::array<int, WaveCapture::kChannels> chosen{0, 1, 2, 3};
    if (!channels.isEmpty()) {
        const QStringList wanted = channels.split(QLatin1Char(','));
        if (wanted.size() != WaveCapture::kChannels)
            return fail(BadInput, QStringLiteral("--channels takes four channels, comma-separated"));
        for (int c = 0; c < WaveCapture::kChannels; ++c) {
            bool isNumber = false;
            int at = wanted.at(c).toInt(&isNumber);
            if (!isNumber) {
                at = -1;
                for (int i = 0; i < names.size() && at < 0; ++i) {
                    if (names.at(i).compare(wanted.at(c).trimmed(), Qt::CaseInsensitive) == 0)
                        at = i;
                }
            }
            if (at < 0 || at >= names.size())
                return fail(BadInput, QStringLiteral("%1: no such waveform channel of %2").arg(wanted.at(c), d.model));
            chosen[size_t(c)] = at;
        }
    }
    for (int at : chosen) {
        if (at >= names.size())
            return fail(BadInput, QStringLiteral("%1 has fewer than four waveform channels").arg(d.model));
    }

    WaveCapture wave;
    const float period = 1.0f / float(rate);
    wave.setTiming(int(seconds * rate) + rate, period);
    WaveCapture::Batch batch;
    QObject::connect(&d.session.worker(), &SerialThread::waveform_putDataToShow, &d.session,
                     [&](const QByteArray &samples) {
                         if (wave.receive(samples, 0, &batch))
                             wave.append(batch);
                     });
    QObject::connect(&d.session.worker(), &SerialThread::waveform_gap, &d.session,
                     [&](int sets) { wave.gap(sets); });
    QByteArray payload(24, '\0');
    for (int c = 0; c < WaveCapture::kChannels; ++c) {
        payload[2 * c] = char(chosen[size_t(c)] >> 8);
        payload[2 * c + 1] = char(chosen[size_t(c)] & 0xFF);
    }
    for (int w = 0; w < 8; ++w)
        payload[8 + 2 * w + 1] = 1;
    QByteArray reply;
    if (!d.session.exchange(Cmd::WaveStart, payload, -1, &reply))
        return d.linkError();
    Progress progress;
    QElapsedTimer clock;
    clock.start();
    const qint64 total = qint64(seconds * 1000);
    while (clock.elapsed() < total && d.session.isOpen() && !g_interrupted) {
        QEventLoop wait;
        QTimer::singleShot(int(std::min<qint64>(100, total - clock.elapsed())), &wait, &QEventLoop::quit);
        wait.exec();
        progress.show(QStringLiteral("capturing, ms"), int(clock.elapsed()), int(total));
    }
    progress.done();
    d.session.post(Cmd::WaveStop, QByteArray(2, '\0'));
    if (!d.session.isOpen())
        return d.linkError();
    // What the stream brought before the stop belongs to the capture.
    QEventLoop settle;
    QTimer::singleShot(50, &settle, &QEventLoop::quit);
    settle.exec();
    if (wave.takeBuffered(&batch))
        wave.append(batch);
    std::array<QVector<QPointF>, WaveCapture::kChannels> raw;
    QStringList shown;
    for (int c = 0; c < WaveCapture::kChannels; ++c) {
        raw[size_t(c)] = wave.raw(c);
        shown.append(names.at(chosen[size_t(c)]));
    }
    QString error;
    if (!WaveFile::write(file, shown, d.model, d.version, raw, period, &error))
        return fail(BadInput, error);
    if (o.json)
        printJson(QJsonObject{{QStringLiteral("file"), file}, {QStringLiteral("sample_sets"), wave.count()}});
    else
        print(stdout, QStringLiteral("%1: %2 sample sets of %3").arg(file).arg(wave.count()).arg(shown.join(QStringLiteral(", "))));
    return Success;
}

} // namespace
