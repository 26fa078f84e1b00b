// Reads a parameter definition file. Elements are recognised by name
// wherever they stand; unknown ones are stepped into, so their children are
// still read.

#include "app/regularfile.h"
#include "definitions/codes.h"
#include "definitions/definitions.h"
#include "definitions/deflog.h"

#include <QFile>
#include <QXmlStreamReader>

Q_LOGGING_CATEGORY(lcDefinitions, "servo.definitions", QtInfoMsg)

void Definitions::clear()
{
    for (auto &group : paramGroups)
        group.clear();
    groupMembers.clear();
    for (auto &group : unGroups)
        group.clear();
    faultTable.clear();
    waveChannels.clear();
    funcCodeVersion.clear();
    driveStates.clear();
}

int Definitions::parameterCount() const
{
    int count = 0;
    for (const auto &group : paramGroups)
        count += group.size();
    return count;
}

ParamRecord *Definitions::findParam(const QString &code)
{
    for (auto &group : paramGroups) {
        auto it = group.find(code);
        if (it != group.end())
            return &it.value();
    }
    return nullptr;
}

const ParamRecord *Definitions::findParam(const QString &code) const
{
    return const_cast<Definitions *>(this)->findParam(code);
}

namespace {

class BodyReader
{
public:
    BodyReader(QXmlStreamReader &xml, Definitions &defs, QStringList &refused)
        : xml(xml)
        , defs(defs)
        , refused(refused)
    {
    }

    // Reads up to the end of Root (or of the input).
    void run()
    {
        while (!xml.atEnd()) {
            const QXmlStreamReader::TokenType token = xml.readNext();
            if (token == QXmlStreamReader::StartElement) {
                startElement(xml.name());
            } else if (token == QXmlStreamReader::EndElement) {
                const QStringRef name = xml.name();
                if (name == QLatin1String("Root")) {
                    qCDebug(lcDefinitions) << "********** 结束元素<Root> **********";
                    return;
                }
                endElement(name);
            } else if (token == QXmlStreamReader::Characters && xml.isCDATA()) {
                qCDebug(lcDefinitions) << "CDATA :" << xml.text();
            } else if (token == QXmlStreamReader::EntityReference) {
                qCDebug(lcDefinitions) << "EntityReference :" << xml.name() << "(" << xml.text() << ")";
            }
        }
    }

private:
    QString text() { return xml.readElementText(); }

    void startElement(const QStringRef &name)
    {
        // Parameters
        if (name == QLatin1String("Parameter")) {
            // A parameter starts with every field empty, so that one lacking
            // an element does not inherit the previous parameter's text.
            param = ParamRecord();
            insideParameter = true;
        } else if (name == QLatin1String("ParameterIndex")) {
            param.ParameterIndex = text();
        } else if (name == QLatin1String("ParameterType")) {
            param.ParameterType = text();
        } else if (name == QLatin1String("parametername")) {
            param.parametername = text();
        } else if (name == QLatin1String("DefaultValue")) {
            param.DefaultValue = text();
        } else if (name == QLatin1String("MinValue")) {
            param.MinValue = text();
        } else if (name == QLatin1String("MaxValue")) {
            param.MaxValue = text();
        } else if (name == QLatin1String("ActiveTime")) {
            param.ActiveTime = text();
        } else if (name == QLatin1String("ModifyTime")) {
            param.ModifyTime = text();
        } else if (name == QLatin1String("DataWidth")) {
            param.DataWidth = text();
        } else if (name == QLatin1String("DataSign")) {
            param.DataSign = text();
        } else if (name == QLatin1String("Uint")) {
            param.Uint = text();
        } else if (name == QLatin1String("Detial")) {
            param.Detial = text();
        }
        // Group titles
        else if (name == QLatin1String("ParameterGroups")) {
            qCDebug(lcDefinitions) << "读到ParameterGroups";
            insideGroups = true;
        } else if (name == QLatin1String("ParameterGrpMember")) {
            const QString member = text();
            qCDebug(lcDefinitions).noquote() << QStringLiteral("读到ParameterGrpMember:%1").arg(member);
            if (insideGroups)
                addGroupMember(member);
        }
        // Monitor variables
        else if (name == QLatin1String("UnDisplayItem")) {
            monitor = UnDisplayRecord();
        } else if (name == QLatin1String("UnDisplayIndex")) {
            monitor.UnDisplayIndex = text();
        } else if (name == QLatin1String("UnDisplayType")) {
            monitor.UnDisplayType = text();
        } else if (name == QLatin1String("UnDisplayName")) {
            monitor.UnDisplayName = text();
        } else if (name == QLatin1String("UnDisplayUnit")) {
            monitor.UnDisplayUnit = text();
        } else if (name == QLatin1String("UnDisplayVarType")) {
            monitor.UnDisplayVarType = text();
        } else if (name == QLatin1String("UnDisplayFormat")) {
            monitor.UnDisplayFormat = text();
        } else if (name == QLatin1String("UnDisplayBits")) {
            monitor.UnDisplayBits = text();
        }
        // Faults and alarms
        else if (name == QLatin1String("FaultWarmItem")) {
            fault = FaultRecord();
        } else if (name == QLatin1String("FaultWarmCode")) {
            fault.FaultWarmCode = text();
        } else if (name == QLatin1String("FaultWarmType")) {
            fault.FaultWarmType = text();
        } else if (name == QLatin1String("FaultWarmName")) {
            fault.FaultWarmName = text();
        } else if (name == QLatin1String("FaultWarmContext")) {
            fault.FaultWarmContext = text();
        } else if (name == QLatin1String("FaultWarmExclude")) {
            fault.FaultWarmExclude = text();
        } else if (name == QLatin1String("FaultWarmRecord")) {
            fault.FaultWarmRecord = text();
        } else if (name == QLatin1String("FaultWarmClear")) {
            fault.FaultWarmClear = text();
        } else if (name == QLatin1String("FaultWarmOperate")) {
            fault.FaultWarmOperate = text();
        }
        // Waveform channels and their default choices
        else if (name == QLatin1String("WaveformChannelItem")) {
            channel = WaveChannelRecord();
            channelStored = false;
        } else if (name == QLatin1String("WaveChIndex")) {
            channel.WaveChIndex = text();
        } else if (name == QLatin1String("WaveChName")) {
            channel.WaveChName = text();
        } else if (name == QLatin1String("WaveUnVarType")) {
            channel.WaveUnVarType = text();
        } else if (name == QLatin1String("WaveUnit")) {
            channel.WaveUnit = text();
            // The channel is stored with its coefficient; a unit after it
            // still belongs to that item.
            if (channelStored)
                defs.waveChannels[channel.WaveChIndex].WaveUnit = channel.WaveUnit;
        } else if (name == QLatin1String("WaveCoeff")) {
            channel.WaveCoeff = text();
            if (!channel.WaveChIndex.isEmpty())
                storeChannel();
        } else if (name == QLatin1String("WaveformChannelDef")) {
            defs.waveChannelDefault[0] = text();
        } else if (name == QLatin1String("WaveformChannelPos")) {
            defs.waveChannelDefault[1] = text();
        } else if (name == QLatin1String("WaveformChannelSpd")) {
            defs.waveChannelDefault[2] = text();
        } else if (name == QLatin1String("WaveformChannelToq")) {
            defs.waveChannelDefault[3] = text();
        } else if (name == QLatin1String("WaveformScaleDef")) {
            defs.waveScaleDefault[0] = text();
        } else if (name == QLatin1String("WaveformScalePos")) {
            defs.waveScaleDefault[1] = text();
        } else if (name == QLatin1String("WaveformScaleSpd")) {
            defs.waveScaleDefault[2] = text();
        } else if (name == QLatin1String("WaveformScaleToq")) {
            defs.waveScaleDefault[3] = text();
        } else if (name == QLatin1String("FuncCodeVersion")) {
            defs.funcCodeVersion = text();
        } else if (name == QLatin1String("DriveStates")) {
            defs.driveStates = text();
        }
    }

    void endElement(const QStringRef &name)
    {
        if (name == QLatin1String("Parameter")) {
            if (insideParameter) {
                registerParameter();
                insideParameter = false;
            }
        } else if (name == QLatin1String("ParameterGroups")) {
            insideGroups = false;
        } else if (name == QLatin1String("UnDisplayItem")) {
            registerMonitor();
        } else if (name == QLatin1String("FaultWarmItem")) {
            registerFault();
        }
    }

    // A code the wire cannot carry would go out as another code.
    bool fitsTheWire(const QString &code)
    {
        int group, index;
        if (Codes::wireNumbers(code, &group, &index))
            return true;
        qCDebug(lcDefinitions) << "code beyond the wire's range:" << code;
        if (!refused.contains(code))
            refused.append(code);
        return false;
    }

    void registerParameter()
    {
        const int group = Codes::parameterGroup(param.ParameterIndex);
        if (group == Codes::kNoGroup || !fitsTheWire(param.ParameterIndex))
            return;
        ParamGroup &map = defs.paramGroups[size_t(group)];
        auto it = map.find(param.ParameterIndex);
        if (it == map.end()) {
            map.insert(param.ParameterIndex, param);
            return;
        }
        qCDebug(lcDefinitions) << "Error: 已经存在一条相同的记录：" << param.ParameterIndex;
        const QString changeText = it->changeText;
        *it = param;
        it->changeText = changeText;
    }

    void registerMonitor()
    {
        const int group = Codes::monitorGroup(monitor.UnDisplayIndex);
        if (group == Codes::kNoGroup || !fitsTheWire(monitor.UnDisplayIndex))
            return;
        UnGroup &map = defs.unGroups[size_t(group)];
        if (map.contains(monitor.UnDisplayIndex))
            qCDebug(lcDefinitions) << "Error: 已经存在一条相同的记录：" << monitor.UnDisplayIndex;
        map.insert(monitor.UnDisplayIndex, monitor);
    }

    void registerFault()
    {
        if (fault.FaultWarmCode.isEmpty()) {
            qCDebug(lcDefinitions) << "Error: 故障码为0！";
            return;
        }
        if (defs.faultTable.contains(fault.FaultWarmCode))
            qCDebug(lcDefinitions) << "Error: 已经存在一条相同的记录：" << fault.FaultWarmCode;
        defs.faultTable.insert(fault.FaultWarmCode, fault);
    }

    void storeChannel()
    {
        if (defs.waveChannels.contains(channel.WaveChIndex))
            qCDebug(lcDefinitions) << "已经存在一条相同的记录" << channel.WaveChIndex;
        defs.waveChannels.insert(channel.WaveChIndex, channel);
        channelStored = true;
    }

    void addGroupMember(const QString &member)
    {
        bool ok = false;
        const int group = member.mid(1, 2).toInt(&ok, 10);
        if (!ok)
            return;
        QString label = member;
        label.insert(3, QLatin1Char('-'));
        if (defs.groupMembers.contains(label))
            qCDebug(lcDefinitions) << "参数组里面已经存在一条相同的记录：" << member;
        defs.groupMembers.insert(label, group);
        qCDebug(lcDefinitions) << "参数名称：" << label << "index=" << group;
    }

    QXmlStreamReader &xml;
    Definitions &defs;
    QStringList &refused;
    ParamRecord param;
    UnDisplayRecord monitor;
    FaultRecord fault;
    WaveChannelRecord channel;
    bool channelStored = false; // the working channel item is in the map
    bool insideParameter = false;
    bool insideGroups = false;
};

} // namespace

DefinitionLoad readParameterFile(const QString &path, Definitions &defs)
{
    DefinitionLoad load;
    QFile file(path);
    // Never blocks: a FIFO or a device in place of the file is refused.
    if (!RegularFile::openForReading(file, QIODevice::Text, &load.reason)) {
        qCDebug(lcDefinitions).noquote() << QStringLiteral("XML文件：") + path + QStringLiteral("不存在！") << load.reason;
        load.problem = DefinitionLoad::Unreadable;
        return load;
    }
    QXmlStreamReader xml(&file);
    bool rootSeen = false;
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartDocument:
            qCDebug(lcDefinitions) << "********** 开始文档（XML 声明） **********";
            qCDebug(lcDefinitions).noquote() << QStringLiteral("版本：%1  编码：%2  Standalone：%3")
                                                    .arg(xml.documentVersion().toString(),
                                                         xml.documentEncoding().toString(),
                                                         xml.isStandaloneDocument() ? QStringLiteral("true")
                                                                                    : QStringLiteral("false"));
            break;
        case QXmlStreamReader::EndDocument:
            qCDebug(lcDefinitions) << "********** 结束文档 **********";
            break;
        case QXmlStreamReader::Comment:
            qCDebug(lcDefinitions) << "********** 注释 **********" << xml.text();
            break;
        case QXmlStreamReader::DTD:
            qCDebug(lcDefinitions) << "********** DTD **********" << xml.text();
            break;
        case QXmlStreamReader::ProcessingInstruction:
            qCDebug(lcDefinitions) << "********** 处理指令 **********" << xml.processingInstructionTarget();
            break;
        case QXmlStreamReader::StartElement:
            if (xml.name() == QLatin1String("Root")) {
                qCDebug(lcDefinitions) << "********** 开始元素<Root> **********";
                const QString version = xml.attributes().value(QLatin1String("Version")).toString();
                if (!version.isEmpty())
                    qCDebug(lcDefinitions).noquote() << QStringLiteral("属性：Version(%1)").arg(version);
                rootSeen = true;
                BodyReader(xml, defs, load.refused).run();
            }
            break;
        default:
            break;
        }
    }
    if (xml.hasError()) {
        qCDebug(lcDefinitions).noquote() << QStringLiteral("错误信息：%1  行号：%2  列号：%3  字符位移：%4")
                                                .arg(xml.errorString())
                                                .arg(xml.lineNumber())
                                                .arg(xml.columnNumber())
                                                .arg(xml.characterOffset());
        load.problem = DefinitionLoad::Malformed;
        load.reason = xml.errorString();
        load.line = xml.lineNumber();
    } else if (!rootSeen) {
        load.problem = DefinitionLoad::NoRoot;
    }
    return load;
}
