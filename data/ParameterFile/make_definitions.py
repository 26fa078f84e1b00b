#!/usr/bin/env python3
"""Writes the drive-model definition files the tool ships.

    python3 make_definitions.py

writes, next to this script, one file per model and language:

    zh_CN_Parameter.xml       VMR-A1, 32-bit transfer protocol (V1.1)
    zh_CN_Parameter_B2.xml    VMR-B2, 16-bit transfer protocol (V1.0)
    en_US_Parameter.xml       the same two models in English
    en_US_Parameter_B2.xml

Edit the tables here, never the XML files. The output is checked after it is
built and before it is written; a fault stops the script with exit status 1 and
leaves the files on disk as they were.

Texts: every name, description, group title, option label, monitor name,
fault text and channel name is either a plain Chinese string or t(zh, en=...).
Both end up as {"zh": ..., "en": ...} dictionaries. A text written in Chinese
only takes its English from the EN dictionaries of english_*.py beside this
script, keyed by the Chinese text; a text with no English anywhere stops the
script, which lists them in missing_en.txt. Units are language-neutral
symbols unless given as t(...) (for units that are words, such as 次).
"""

import math
import os
import re
import sys
import xml.etree.ElementTree as ET
from xml.sax.saxutils import escape

HERE = os.path.dirname(os.path.abspath(__file__))

# File prefix -> text key.
LANGUAGES = {"zh_CN": "zh", "en_US": "en"}

# Separators used when option lists are written into a description.
OPTION_PUNCT = {"zh": ("：", "；"), "en": (": ", "; ")}

DETAIL_MAX_LINES = 5
DETAIL_MIN_LINES = 2


def t(zh, en=None):
    text = {"zh": zh}
    if en is not None:
        text["en"] = en
    return text


def as_text(value):
    return value if isinstance(value, dict) else t(value)


# English for texts written in Chinese only in the tables below, by their
# Chinese text: english_*.py beside this script, each defining EN = {zh: en}.
TRANSLATIONS = {"en": {}}
for _name in sorted(os.listdir(HERE)):
    if _name.startswith("english_") and _name.endswith(".py"):
        _scope = {}
        with open(os.path.join(HERE, _name), encoding="utf-8") as _f:
            exec(compile(_f.read(), _name, "exec"), _scope)
        TRANSLATIONS["en"].update(_scope["EN"])
# Texts asked for in a language that has no translation for them.
MISSING = {}


def pick(text, lang):
    """Text in one language; plain strings are language-neutral symbols."""
    if isinstance(text, dict):
        if lang in text:
            return text[lang]
        zh = text.get("zh")
        found = TRANSLATIONS.get(lang, {}).get(zh)
        if found is None:
            MISSING.setdefault(lang, []).append(zh)
            return zh
        return found
    return text


# --- Fixed vocabularies ------------------------------------------------------

ACTIVE = {
    "now": t("立即生效", en="Immediately"),
    "stop": t("停机生效", en="After stop"),
    "power": t("再次通电生效", en="After power cycle"),
}
MODIFY = {
    "run": t("运行设定", en="During run"),
    "stopped": t("停机设定", en="When stopped"),
    "readonly": t("只读", en="Read-only"),
}
# Short codes used in the tables: when a parameter may be written, and when
# the new value takes effect.
WHEN = {
    "R": ("now", "run"),        # any time, at once
    "RS": ("stop", "run"),      # any time, applied once the motor stops
    "RP": ("power", "run"),     # any time, applied at the next power-up
    "T": ("now", "stopped"),    # servo off only, at once
    "TS": ("stop", "stopped"),
    "TP": ("power", "stopped"), # servo off only, at the next power-up
    "O": ("now", "readonly"),
}
SIZES = {
    "u16": ("16bit", "unsigned"),
    "s16": ("16bit", "signed"),
    "u32": ("32bit", "unsigned"),
    "s32": ("32bit", "signed"),
}
LIMITS = {
    ("16bit", "unsigned"): (0, 0xFFFF),
    ("16bit", "signed"): (-0x8000, 0x7FFF),
    ("32bit", "unsigned"): (0, 0xFFFFFFFF),
    ("32bit", "signed"): (-0x80000000, 0x7FFFFFFF),
}
KINDS = {
    "basic": t("基本", en="Basic"),
    "gain": t("增益", en="Gain"),
    "ctrl": t("控制", en="Control"),
    "io": t("IO", en="IO"),
    "comm": t("通信", en="Communication"),
    "ext": t("扩展", en="Extended"),
}

MONITOR_TYPES = {
    0: t("运行状态", en="Operating status"),
    1: t("诊断信息", en="Diagnostics"),
    2: t("设备信息", en="Device information"),
}
VAR_TYPES = ("int16", "uint16", "int32", "uint32")
FORMATS = (
    "DISP_AS_DEC", "DISP_AS_DEC_ONE_DOT", "DISP_AS_DEC_TWO_DOT",
    "DISP_AS_DEC_THREE_DOT", "DISP_AS_HEX", "DISP_AS_BIN", "DISP_AS_IO",
    "DISP_AS_ALM",
)
FMT = {
    "dec": "DISP_AS_DEC", "1dot": "DISP_AS_DEC_ONE_DOT",
    "2dot": "DISP_AS_DEC_TWO_DOT", "3dot": "DISP_AS_DEC_THREE_DOT",
    "hex": "DISP_AS_HEX", "bin": "DISP_AS_BIN", "io": "DISP_AS_IO",
    "alm": "DISP_AS_ALM",
}

FAULT_TYPES = {"fault": t("故障", en="Fault"), "alarm": t("告警", en="Alarm")}
FAULT_RECORD = {True: t("记录", en="Logged"), False: t("不记录", en="Not logged")}
FAULT_CLEAR = {
    "reset": t("可清除", en="Resettable"),
    "never": t("不可清除", en="Not resettable"),
    "power": t("断电清除", en="Cleared at power-off"),
}
# A fault stops the drive; an alarm lets it run on.
FAULT_OPERATE = {"fault": "STOP", "alarm": "NONE"}

SCALES = ("1000", "100", "50", "30", "20", "10", "5", "3", "2", "1",
          "0.5", "0.3", "0.2", "0.1", "0.05", "0.03", "0.02", "0.01")

# The sixteen identification monitors every model carries, read by the tool
# to recognise the drive.
DEVICE_INFO_NAMES = [
    t("产品系列", en="Product series"), t("机型代码1", en="Model code 1"),
    t("机型代码2", en="Model code 2"), t("固件版本", en="Firmware version"),
    t("硬件版本", en="Hardware version"), t("FPGA版本", en="FPGA version"),
    t("电机代码", en="Motor code"), t("编码器类型", en="Encoder type"),
] + [t("序列号%d" % n, en="Serial number %d" % n) for n in range(1, 9)]


class DataError(Exception):
    pass


# --- Table building ----------------------------------------------------------

def opts(*labels, start=0):
    """Selector options numbered from `start`; labels are text."""
    return [(start + i, as_text(label)) for i, label in enumerate(labels)]


class Param:
    def __init__(self, group, index, kind, name, unit, default, lo, hi, size,
                 when, detail, options):
        if size not in SIZES:
            raise DataError("P%02d-%02d: unknown size %r" % (group, index, size))
        if when not in WHEN:
            raise DataError("P%02d-%02d: unknown timing %r" % (group, index, when))
        if group == 0 and index == 0:
            # Group 0, index 0 is what a drive sends for a parameter it lacks.
            raise DataError("P00-00 cannot be a parameter: it marks an absent one on the wire")
        self.group = group
        self.index = index
        self.kind = kind
        self.name = as_text(name)
        self.unit = unit
        self.default, self.lo, self.hi = default, lo, hi
        self.width, self.sign = SIZES[size]
        self.active, self.modify = WHEN[when]
        self.detail = as_text(detail)
        self.options = options or []

    @property
    def code(self):
        return "P%02d-%02d" % (self.group, self.index)

    def detail_text(self, lang):
        lines = pick(self.detail, lang).split("\n")
        if self.options:
            colon, sep = OPTION_PUNCT[lang]
            items = ["%d%s%s" % (v, colon, pick(label, lang))
                     for v, label in self.options]
            room = DETAIL_MAX_LINES - len(lines)
            if room < 1:
                raise DataError("%s: no room left for the option list" % self.code)
            per_line = math.ceil(len(items) / room)
            lines += [sep.join(items[i:i + per_line])
                      for i in range(0, len(items), per_line)]
        return "\n".join(lines)


class Group:
    def __init__(self, number, title, kind):
        self.number = number
        self.title = as_text(title)
        self.kind = kind
        self.params = []

    def add(self, name, unit, default, lo, hi, size, when, detail,
            options=None, kind=None):
        # Group 0 starts at index 1: index 0 of group 0 is the absent marker.
        first = 1 if self.number == 0 else 0
        self.params.append(Param(self.number, first + len(self.params),
                                 KINDS[kind or self.kind], name, unit,
                                 default, lo, hi, size, when, detail, options))

    def select(self, name, default, when, detail, options, kind=None):
        """A selector: limits are the first and last option."""
        self.add(name, "", default, options[0][0], options[-1][0], "u16",
                 when, detail, options, kind)


def named_list(names, lang):
    """Numbered names as the descriptions write option lists: 0：…；1：…"""
    colon, sep = OPTION_PUNCT[lang]
    return sep.join("%d%s%s" % (v, colon, pick(label, lang)) for v, label in names)


def bit_names(*groups):
    """Bit numbers from 0 for the names of (prefix, count) groups: DI1, DI2, ..."""
    names = [t("%s%d" % (prefix, i + 1), en="%s%d" % (prefix, i + 1))
             for prefix, count in groups for i in range(count)]
    return list(enumerate(names))


# The drive state byte of the manual-run data reply, by number.
DRIVE_STATES = [(1, t("未就绪", en="Not ready")), (4, t("就绪", en="Ready")),
                (5, t("运行中", en="Running"))]

# The bits of the servo run state and of the control word.
RUN_STATE_BITS = opts(t("伺服准备好", en="Servo ready"), t("伺服使能", en="Servo enabled"),
                      t("电机运行中", en="Motor running"))
CONTROL_WORD_BITS = opts(t("伺服使能指令", en="Servo enable command"), t("报警复位", en="Alarm reset"),
                         t("正向点动", en="Forward jog"), t("反向点动", en="Reverse jog"),
                         t("紧急停止", en="Emergency stop"), t("内部指令暂停", en="Internal command pause"))


class Monitor:
    def __init__(self, code, name, unit, var_type, fmt, bits=None):
        self.code = code
        self.bits = bits or []
        self.group = int(code[1])
        self.name = as_text(name)
        self.unit = unit
        self.var_type = var_type
        self.fmt = FMT[fmt]


class Fault:
    def __init__(self, code, kind, name, causes, remedies, record, clear):
        self.code = code
        self.kind = kind
        self.name = as_text(name)
        self.causes = as_text(causes)
        self.remedies = as_text(remedies)
        self.record = record
        self.clear = clear


class Channel:
    def __init__(self, key, name, var_type, coeff, unit):
        self.key = key
        self.name = as_text(name)
        self.var_type = var_type
        self.coeff = coeff
        # Unit of raw value x coeff; a language-neutral symbol.
        self.unit = unit


class Model:
    def __init__(self, name, file_name, version, groups, monitors, faults,
                 channels, wave_sets, minimums):
        self.name = name
        self.file_name = file_name
        self.version = version
        self.groups = groups
        self.monitors = monitors
        self.faults = faults
        self.channels = channels
        # {"Def": ([channel keys], [scales]), "Pos": ..., "Spd": ..., "Toq": ...}
        self.wave_sets = wave_sets
        self.minimums = minimums

    def params(self):
        return [p for g in self.groups for p in g.params]

    def channel_position(self, key):
        for pos, ch in enumerate(self.channels):
            if ch.key == key:
                return pos
        raise DataError("%s: waveform set names unknown channel '%s'"
                        % (self.name, key))


def device_info_monitors(formats):
    """U2-01..U2-16; `formats` gives the display of U2-01..U2-08."""
    formats = list(formats) + ["hex"] * 8
    return [Monitor("U2-%02d" % (i + 1), name, "", "uint16", formats[i])
            for i, name in enumerate(DEVICE_INFO_NAMES)]


# --- Shared tables -----------------------------------------------------------

ROTATION = opts("正向指令时电机逆时针旋转（CCW，从轴端看）",
                "正向指令时电机顺时针旋转（CW，从轴端看）")
ON_OFF = opts("无效", "有效")
DATA_FORMATS = opts("无校验，2个停止位", "偶校验，1个停止位",
                    "奇校验，1个停止位", "无校验，1个停止位")

FAULT_TABLE = [
    # code, kind, name, probable causes, remedies, logged, how it clears
    (101, "fault", "参数错误",
     "EEPROM中参数校验失败；固件升级后参数结构改变；写参数过程中断电",
     "执行参数初始化后重新设定参数；重新上电，仍出现时联系厂家", True, "power"),
    (102, "fault", "EEPROM错误",
     "EEPROM读写失败；EEPROM损坏；写入次数超过寿命",
     "重新上电；多次出现时更换驱动器；通信频繁写参数时选择不存储到EEPROM", True, "power"),
    (103, "fault", "电机识别错误",
     "编码器未连接或读不到电机代码；电机与驱动器功率等级不匹配；自定义电机参数不完整",
     "检查编码器接线；确认电机与驱动器型号匹配；正确设定电机参数", True, "power"),
    (104, "fault", "FPGA故障",
     "FPGA配置失败；FPGA与主控芯片通信异常",
     "重新上电；升级匹配的FPGA固件；仍出现时联系厂家", True, "power"),
    (105, "fault", "软件内部错误",
     "主控程序运行超时；内部数据校验异常；外部强干扰",
     "重新上电；检查接地与屏蔽；升级固件", True, "power"),
    (106, "fault", "电流采样故障",
     "电流传感器或采样电路异常；上电时电流零点偏移过大",
     "重新上电；仍出现时更换驱动器", True, "power"),
    (107, "fault", "对地短路",
     "电机动力线UVW对地短路；电机绕组绝缘损坏；驱动器功率模块损坏",
     "断开动力线测量绝缘电阻；更换电机或电缆；驱动器损坏时联系厂家维修", True, "never"),
    (110, "fault", "过电流",
     "电机动力线相间短路；增益过高引起振荡；加减速过快或负载突变；UVW相序错误",
     "检查动力线与电机绝缘；降低增益或延长加减速时间；确认UVW相序", True, "power"),
    (111, "fault", "软件过电流",
     "电流超过驱动器最大电流；负载冲击过大；电机参数设定错误",
     "检查负载与机械连接；降低增益；确认电机参数", True, "reset"),
    (112, "fault", "过电压",
     "电源电压过高；再生电阻未接或阻值过大；减速过快且负载惯量大；再生电阻设置与实际不符",
     "确认电源电压；正确连接并设定再生电阻；延长减速时间", True, "reset"),
    (113, "fault", "欠电压",
     "电源电压过低或瞬时停电；主回路接触器接触不良；电源容量不足",
     "确认电源电压与接线；检查接触器；增大电源容量", True, "reset"),
    (114, "fault", "主回路缺相",
     "三相电源缺相；端子松动；单相供电时主电源输入方式设为三相",
     "检查输入电源与接线端子；按实际接线设定主电源输入方式", True, "reset"),
    (115, "fault", "控制电源异常",
     "控制电源电压过低；控制电源瞬时停电",
     "检查控制电源电压与接线；排除电源干扰", True, "reset"),
    (116, "fault", "超速",
     "速度指令过大；电子齿轮比过大；UVW相序错误；增益不当引起超调；转矩模式下未限制速度",
     "检查指令与电子齿轮比；确认相序；调整增益；设定转矩模式速度限制", True, "reset"),
    (117, "fault", "速度失控",
     "电机UVW相序与编码器不对应；初始电角度错误；垂直轴负载过重",
     "检查动力线相序；重新辨识初始电角度；检查抱闸与负载", True, "power"),
    (118, "fault", "电机过载",
     "负载过重或长时间超额定运行；机械卡滞或抱闸未打开；增益过高引起振动；动力线接线错误",
     "检查负载与机械；确认抱闸动作；降低增益；检查接线；必要时换用更大功率电机", True, "reset"),
    (119, "fault", "驱动器过载",
     "负载过重或长时间超额定运行；频繁启停；驱动器容量偏小",
     "降低负载或加减速频率；延长加减速时间；换用更大容量驱动器", True, "reset"),
    (120, "fault", "电机堵转",
     "机械卡死或碰撞；抱闸未释放；动力线缺相；转矩限制设定过小",
     "排除机械故障；检查抱闸；检查动力线；调整转矩限制与堵转检测时间", True, "reset"),
    (121, "fault", "驱动器过热",
     "环境温度过高；散热风扇故障；安装间距不足；长时间过载运行",
     "改善通风散热；检查风扇；降低负载", True, "reset"),
    (122, "fault", "电机过热",
     "电机长时间过载；温度传感器接线异常；环境温度过高",
     "降低负载或改善散热；检查温度传感器及其类型设定", True, "reset"),
    (123, "fault", "再生制动过载",
     "再生能量过大；外置电阻功率不足；再生电阻参数与实际不符；频繁启停",
     "延长减速时间；换用大功率再生电阻；正确设定再生电阻参数", True, "reset"),
    (124, "fault", "再生电阻异常",
     "外置再生电阻阻值小于允许值；再生电阻短路或断线；内置电阻跳线未短接",
     "更换符合要求的再生电阻；检查接线与跳线", True, "power"),
    (125, "fault", "编码器断线",
     "编码器电缆未连接或断线；插头松动；屏蔽不良受到干扰",
     "检查编码器电缆与插头；更换电缆；动力线与编码器线分开走线", True, "power"),
    (126, "fault", "编码器通信错误",
     "编码器通信数据校验错误；强电磁干扰；电缆过长",
     "检查电缆屏蔽与接地；缩短电缆；更换编码器", True, "power"),
    (127, "fault", "编码器数据异常",
     "编码器内部故障；位置数据跳变；电机受到强烈冲击",
     "重新上电；仍出现时更换电机", True, "power"),
    (128, "fault", "编码器电池失效",
     "电池电压过低或断电期间电池未连接；多圈数据已丢失",
     "更换电池；执行绝对编码器复位并重新回零", True, "power"),
    (129, "fault", "编码器多圈计数错误",
     "多圈计数溢出；编码器多圈数据异常",
     "检查绝对值系统设定；执行绝对编码器复位", True, "power"),
    (130, "fault", "编码器过热",
     "电机过热导致编码器温度过高；环境温度过高",
     "降低负载；改善电机散热", True, "reset"),
    (131, "fault", "位置偏差过大",
     "增益过低跟不上指令；指令脉冲频率过高；加速过快；负载过重或机械卡滞；阈值设定过小",
     "提高增益；降低指令频率或延长加减速时间；检查机械；适当增大位置偏差过大阈值", True, "reset"),
    (132, "fault", "输入脉冲频率过高",
     "指令脉冲频率超过允许值；脉冲线受到干扰",
     "降低指令频率或调整电子齿轮比；加强屏蔽，增大脉冲输入滤波", True, "reset"),
    (133, "fault", "电子齿轮比设定错误",
     "电子齿轮比超出允许范围；每转指令脉冲数与齿轮比设定矛盾",
     "重新计算并设定电子齿轮比", True, "reset"),
    (134, "fault", "全闭环偏差过大",
     "外部编码器接线错误或方向设反；外部编码器脉冲数设定错误；机械打滑",
     "检查外部编码器接线与方向、脉冲数设定；检查机械连接", True, "reset"),
    (135, "fault", "速度偏差过大",
     "负载过重或加速过快；增益过低；阈值设定过小",
     "检查负载；延长加速时间；提高增益；适当增大速度偏差过大阈值", True, "reset"),
    (136, "fault", "DI功能分配重复",
     "同一DI功能分配给了多个端子；DI功能编号超出范围",
     "检查各DI端子的功能分配，修改后执行报警复位", True, "reset"),
    (137, "fault", "DO功能分配错误",
     "同一DO功能分配给了多个端子；DO功能编号超出范围",
     "检查各DO端子的功能分配，修改后执行报警复位", True, "reset"),
    (138, "fault", "回零超时",
     "原点开关或限位开关未动作；搜索速度过低；超时时间过短；回零模式与接线不符",
     "检查开关信号；调整回零速度与超时时间；确认回零模式", True, "reset"),
    (139, "fault", "通信超时",
     "上位机停止发送报文；通信线断开；超时时间过短",
     "检查上位机程序与通信线；调整通信超时时间，或改为仅告警", True, "reset"),
    (140, "fault", "动态制动过载",
     "动态制动时电机转速过高或负载惯量过大；频繁伺服OFF",
     "避免高速运行中伺服OFF；降低负载惯量", True, "reset"),
    (141, "fault", "电机动力线缺相",
     "UVW动力线断线或端子松动；电机绕组断线",
     "检查动力线与端子；测量电机绕组", True, "reset"),
    (142, "fault", "功率模块故障",
     "功率模块过流或过热保护动作；驱动电路故障；输出短路",
     "检查输出是否短路；重新上电仍出现时联系厂家维修", True, "never"),
    (143, "fault", "主电源断电",
     "运行中主电源断电时间超过瞬时停电保持时间；电源接触器误动作",
     "检查电源与接触器；适当增大瞬时停电保持时间", True, "reset"),
    (144, "fault", "抱闸输出异常",
     "抱闸输出回路短路或断线；抱闸线圈损坏；抱闸电源异常",
     "检查抱闸线及线圈；确认抱闸电源", True, "reset"),
    (901, "alarm", "电机过载预警",
     "电机负载率超过过载预警阈值；机械阻力增大",
     "降低负载或检查机械；持续出现时换用更大功率电机", False, "reset"),
    (902, "alarm", "驱动器过载预警",
     "驱动器负载率超过过载预警阈值；频繁加减速",
     "降低负载或加减速频率", False, "reset"),
    (903, "alarm", "再生制动过载预警",
     "再生负载率超过再生电阻允许值的85%；减速频繁",
     "延长减速时间；检查再生电阻容量", False, "reset"),
    (904, "alarm", "编码器电池电压低",
     "电池电压低于3.0V；电池接触不良",
     "在控制电源通电状态下更换电池，避免多圈数据丢失", True, "reset"),
    (905, "alarm", "正向超程",
     "正向超程信号有效；DI逻辑设定错误；限位开关故障",
     "反向运动离开限位；检查限位开关与DI设定", False, "reset"),
    (906, "alarm", "反向超程",
     "反向超程信号有效；DI逻辑设定错误；限位开关故障",
     "正向运动离开限位；检查限位开关与DI设定", False, "reset"),
    (907, "alarm", "正向软件限位",
     "位置反馈超过正向软件限位；限位值设定不当",
     "反向运动回到限位范围内；检查软件限位设定", False, "reset"),
    (908, "alarm", "反向软件限位",
     "位置反馈低于反向软件限位；限位值设定不当",
     "正向运动回到限位范围内；检查软件限位设定", False, "reset"),
    (909, "alarm", "紧急停止",
     "DI“紧急停止”输入有效；急停回路断开",
     "排除危险后解除急停输入，再执行报警复位", True, "reset"),
    (910, "alarm", "通信超时告警",
     "上位机停止发送报文；通信线接触不良",
     "检查上位机程序与通信线；调整通信超时时间", False, "reset"),
    (911, "alarm", "风扇异常",
     "风扇堵转或损坏；风扇接线松动",
     "清理或更换风扇", True, "reset"),
    (912, "alarm", "驱动器温度过高",
     "散热器温度超过告警阈值；环境温度高；通风不良",
     "改善通风，降低负载", False, "reset"),
    (913, "alarm", "主电源电压低",
     "母线电压下降接近欠压阈值；瞬时停电；电源容量不足",
     "检查电源电压与容量", False, "reset"),
    (914, "alarm", "参数需重新上电",
     "修改了再次通电生效的参数",
     "确认设定后重新上电", False, "power"),
    (915, "alarm", "原点未回归",
     "使用软件限位或绝对位置时尚未完成原点回归；编码器复位后未重新回零",
     "执行原点回归", False, "reset"),
    (916, "alarm", "电子齿轮比超出推荐范围",
     "电子齿轮比过大或过小，位置分辨率或最高速度受到限制",
     "重新选择指令单位，使电子齿轮比落在推荐范围内", False, "reset"),
    (917, "alarm", "惯量辨识失败",
     "负载惯量过大或机械刚性过低；运动行程不足；辨识过程中受外力",
     "调整辨识速度与加减速时间；确保行程足够；排除外力干扰", False, "reset"),
    (918, "alarm", "自动调整未完成",
     "调整过程中出现振动；达不到目标定位时间；调整过程被中断",
     "降低刚性等级或放宽目标定位时间后重新调整", False, "reset"),
    (919, "alarm", "模拟量零漂过大",
     "零漂校正时输入端未接0V；校正结果超出允许范围",
     "将模拟量输入短接到0V后重新校正；检查模拟量接线与屏蔽", False, "reset"),
    (920, "alarm", "再生电阻设置不当",
     "再生电阻设置与实际接线不符；内置电阻容量不足以吸收再生能量",
     "按实际接线设定再生电阻；改用外置再生电阻", False, "reset"),
    (921, "alarm", "主电源缺相告警",
     "三相驱动器一相输入缺失；输入缺相检测选择为仅告警",
     "检查电源接线；单相供电时降额使用", False, "reset"),
    (922, "alarm", "伺服OFF时有指令输入",
     "伺服未使能时有指令脉冲输入；上位机时序错误",
     "确认上位机在伺服使能后再发送指令", False, "reset"),
    (923, "alarm", "多段位置设定错误",
     "起始段号大于结束段号；某段最大速度为0",
     "检查多段位置参数", False, "reset"),
    (924, "alarm", "编码器通信偶发错误",
     "编码器通信偶尔失败；电磁干扰",
     "检查编码器电缆屏蔽与接地；动力线与编码器线分开走线", True, "reset"),
    (925, "alarm", "端子强制功能有效",
     "DI强制输入或DO强制输出处于有效状态",
     "调试完成后关闭DI强制输入与DO强制输出功能", False, "reset"),
    (926, "alarm", "电机过热预警",
     "电机温度接近保护阈值；散热不良",
     "降低负载，改善电机散热", False, "reset"),
]


def faults(codes):
    table = {row[0]: row for row in FAULT_TABLE}
    return [Fault(*table[c]) for c in codes]


# --- VMR-A1 --------------------------------------------------------------------

def model_a():
    groups = []

    def group(number, title, kind):
        g = Group(number, title, kind)
        groups.append(g)
        return g

    # P00 ---------------------------------------------------------------------
    g = group(0, "基本控制", "basic")
    g.select("控制模式选择", 0, "T",
             "选择伺服的控制方式。\n混合模式下由DI功能“控制模式切换”在两种模式间切换。",
             opts("位置模式", "速度模式", "转矩模式", "位置/速度切换",
                  "位置/转矩切换", "速度/转矩切换"))
    g.select("旋转方向选择", 0, "TP",
             "设定正向指令对应的电机旋转方向。\n修改后位置反馈方向同时改变，绝对值系统需重新回零。",
             ROTATION)
    g.add("电机代码", "", 0, 0, 65535, "u16", "O",
          "驱动器上电时从串行编码器读取的电机型号代码。\n0表示未识别到电机，请检查编码器连线。")
    g.select("编码器类型选择", 0, "TP",
             "选择电机所配编码器的类型。",
             opts("自动识别（串行编码器）", "2500线增量式编码器",
                  "17位串行绝对值编码器", "23位串行绝对值编码器"))
    g.add("编码器分辨率", "pulse", 8388608, 0, 1073741824, "u32", "O",
          "电机旋转一圈对应的编码器反馈脉冲数（四倍频后）。\n由编码器类型自动确定，仅供查看。")
    g.select("绝对值系统选择", 0, "TP",
             "使用多圈绝对值编码器时选择位置的保存方式。\n选择1或2前请确认电池已安装，首次使用需执行绝对编码器复位（P16-08）。",
             opts("增量位置模式", "绝对位置线性模式", "绝对位置旋转模式"))
    g.select("伺服OFF停机方式", 0, "T",
             "伺服使能信号断开时电机的停止方式。\n垂直轴请配合抱闸使用，避免负载下滑。",
             opts("自由停车，保持自由状态", "零速停车，保持自由状态",
                  "动态制动停车，保持动态制动状态"))
    g.select("故障停机方式", 1, "T",
             "发生可执行制动的故障时电机的停止方式。\n过电流、功率模块故障等严重故障时强制自由停车。",
             opts("自由停车", "动态制动停车后自由", "动态制动停车后保持动态制动"))
    g.select("超程停机方式", 1, "T",
             "正向或反向超程信号有效时的停止方式。\n急停转矩由P06-14设定。",
             opts("自由停车", "零速停车后位置锁定", "按急停转矩停车后位置锁定"))
    g.add("分频输出每转脉冲数", "pulse", 2500, 1, 2097152, "u32", "TP",
          "电机每转一圈由分频输出端口送出的A/B相脉冲数（四倍频前）。\n设定值应不大于编码器分辨率的1/4。")
    g.select("分频输出相位", 0, "TP",
             "设定分频输出A/B相的相位关系。",
             opts("电机逆时针旋转时A相超前B相", "电机逆时针旋转时B相超前A相"))
    g.select("伺服使能方式", 0, "T",
             "选择伺服使能信号的来源。\n选择1时上电即使能，请先确认机械安全。",
             opts("由DI功能“伺服使能”控制", "上电后自动使能", "由通信指令控制"))
    g.select("主电源输入方式", 0, "TP",
             "设定主回路电源的接线方式。\n单相输入时驱动器按单相降额，并屏蔽缺相检测。",
             opts("三相输入", "单相输入"))
    g.select("超程信号屏蔽", 0, "T",
             "调试时可暂时屏蔽超程信号。\n正常运行时请设为0，否则限位开关不起保护作用。",
             opts("超程信号有效", "屏蔽正反向超程信号"))

    # P01 ---------------------------------------------------------------------
    g = group(1, "增益", "gain")
    g.add("第1位置环增益", "0.1Hz", 480, 10, 20000, "u16", "R",
          "决定位置环的响应速度。\n增大可缩短定位时间，过大会引起超调或振动。")
    g.add("第1速度环增益", "0.1Hz", 270, 10, 20000, "u16", "R",
          "决定速度环的响应速度。\n负载惯量比设定正确时，设定值即为速度环带宽。")
    g.add("第1速度环积分时间常数", "0.1ms", 210, 10, 10000, "u16", "R",
          "减小可提高速度环抗扰能力和稳态精度，过小会引起振动。\n设为10000时积分作用无效。")
    g.add("第1速度检测滤波时间常数", "0.01ms", 0, 0, 6400, "u16", "R",
          "对速度反馈进行低通滤波。\n电机运转噪声大时适当增大，过大会降低响应。")
    g.add("第1转矩指令滤波时间常数", "0.01ms", 84, 0, 2500, "u16", "R",
          "对转矩指令进行一阶低通滤波，抑制高频振动和噪声。\n增大会降低系统带宽，应与速度环增益配合调整。")
    second = [("第2位置环增益", "0.1Hz", 570, 10, 20000),
              ("第2速度环增益", "0.1Hz", 270, 10, 20000),
              ("第2速度环积分时间常数", "0.1ms", 10000, 10, 10000),
              ("第2速度检测滤波时间常数", "0.01ms", 0, 0, 6400),
              ("第2转矩指令滤波时间常数", "0.01ms", 84, 0, 2500)]
    for i, (name, unit, dflt, lo, hi) in enumerate(second):
        g.add(name, unit, dflt, lo, hi, "u16", "R",
              "第2组增益，由增益切换功能选用。\n含义同P01-%02d。" % i)
    g.add("速度前馈增益", "0.1%", 300, 0, 1000, "u16", "R",
          "位置控制时将位置指令的微分值按此比例加到速度指令上。\n增大可减小位置偏差、提高跟随性，过大会产生超调。")
    g.add("速度前馈滤波时间常数", "0.01ms", 50, 0, 6400, "u16", "R",
          "对速度前馈量进行一阶低通滤波。\n指令脉冲频率不均匀时适当增大可减小冲击。")
    g.add("转矩前馈增益", "0.1%", 0, 0, 2000, "u16", "R",
          "将速度指令的微分值按此比例加到转矩指令上。\n需先正确设定负载惯量比，可改善加减速时的跟随性。")
    g.add("转矩前馈滤波时间常数", "0.01ms", 0, 0, 6400, "u16", "R",
          "对转矩前馈量进行一阶低通滤波。\n转矩前馈引起噪声时适当增大。")
    g.select("增益切换功能", 0, "R",
             "选择是否启用第1、第2增益的切换。\n切换条件由P01-15、P01-20、P01-24设定。",
             opts("固定使用第1增益", "按切换条件切换第1、第2增益"))
    g.select("位置控制增益切换条件", 0, "R",
             "位置控制时切换到第2增益的条件。",
             opts("固定第1增益", "固定第2增益", "DI“增益切换”输入", "转矩指令大",
                  "速度指令变化量大", "速度指令大", "位置偏差大", "有位置指令",
                  "定位未完成", "实际速度大", "有位置指令且实际速度大"))
    g.add("位置增益切换延迟时间", "0.1ms", 50, 0, 10000, "u16", "R",
          "由第2增益切回第1增益前的等待时间。\n切换条件为2～10时有效。")
    g.add("位置增益切换等级", "", 50, 0, 20000, "u16", "R",
          "切换条件的判定阈值，单位随切换条件而定。\n转矩为0.1%，速度为rpm，位置偏差为编码器单位。")
    g.add("位置增益切换迟滞", "", 33, 0, 20000, "u16", "R",
          "判定阈值的迟滞宽度，防止在阈值附近频繁切换。\n单位同P01-17。")
    g.add("位置环增益过渡时间", "0.1ms", 33, 0, 10000, "u16", "R",
          "位置环增益由第1增益过渡到第2增益所用的时间。\n可减轻增益突变引起的冲击。")
    g.select("速度控制增益切换条件", 0, "R",
             "速度控制时切换到第2增益的条件。",
             opts("固定第1增益", "固定第2增益", "DI“增益切换”输入", "转矩指令大",
                  "速度指令变化量大", "速度指令大"))
    g.add("速度增益切换延迟时间", "0.1ms", 0, 0, 10000, "u16", "R",
          "由第2增益切回第1增益前的等待时间。\n切换条件为2～5时有效。")
    g.add("速度增益切换等级", "", 0, 0, 20000, "u16", "R",
          "速度控制切换条件的判定阈值。\n转矩为0.1%，速度为rpm，速度变化量为10rpm/s。")
    g.add("速度增益切换迟滞", "", 0, 0, 20000, "u16", "R",
          "判定阈值的迟滞宽度。\n单位同P01-22。")
    g.select("转矩控制增益切换条件", 0, "R",
             "转矩控制时切换到第2增益的条件。",
             opts("固定第1增益", "固定第2增益", "DI“增益切换”输入", "转矩指令大"))
    g.select("速度调节器P控制切换条件", 4, "R",
             "满足条件时速度环由PI控制切换为P控制，用于抑制超调。",
             opts("转矩指令大于阈值", "速度指令大于阈值", "加速度大于阈值",
                  "位置偏差大于阈值", "不切换（始终PI控制）"))
    g.add("P控制切换阈值", "", 200, 0, 10000, "u16", "R",
          "P控制切换条件的判定阈值。\n单位随条件而定：转矩0.1%，速度rpm，加速度10rpm/s，位置偏差为编码器单位。")
    g.select("转矩指令滤波器类型", 0, "R",
             "选择转矩指令滤波器的阶数。\n二阶滤波抑制高频噪声效果更好，但相位滞后较大。",
             opts("一阶低通滤波", "二阶低通滤波"))

    # P02 ---------------------------------------------------------------------
    g = group(2, "振动抑制", "gain")
    for n in range(1, 5):
        auto = "\n使用自适应陷波时由驱动器自动设定。" if n >= 3 else ""
        g.add("第%d陷波器频率" % n, "Hz", 5000, 50, 5000, "u16", "R",
              "第%d陷波器的中心频率。\n设为5000时该陷波器无效。%s" % (n, auto))
        g.add("第%d陷波器宽度等级" % n, "", 2, 0, 20, "u16", "R",
              "第%d陷波器的宽度等级，即陷波宽度与中心频率之比。\n设定值越大陷波越宽。" % n)
        g.add("第%d陷波器深度等级" % n, "", 0, 0, 99, "u16", "R",
              "第%d陷波器的深度等级，0为完全切除，99为几乎不衰减。\n设定值越小抑制越强，相位滞后也越大。" % n)
    g.select("自适应陷波模式", 0, "R",
             "驱动器在运行中检测共振频率并自动设定陷波器。",
             opts("无效（陷波参数不再自动更新）", "1个自适应陷波器（第3陷波器）",
                  "2个自适应陷波器（第3、第4陷波器）", "仅检测共振频率（结果见P02-13）",
                  "清除自适应结果，第3、第4陷波器恢复出厂值"))
    g.add("共振频率检测结果", "Hz", 0, 0, 5000, "u16", "O",
          "自适应陷波或共振检测得到的共振频率。\n0表示未检测到明显共振。")
    g.select("低频制振控制选择", 0, "T",
             "抑制机械末端的低频晃动，仅在位置控制下有效。",
             opts("无效", "制振频率1有效", "制振频率1、2均有效", "由DI“增益切换”选择制振频率1或2"))
    for n in (1, 2):
        g.add("制振频率%d" % n, "0.1Hz", 0, 0, 3000, "u16", "R",
              "末端低频振动的频率，可用示波功能观察位置偏差测得。\n设定值小于10（1.0Hz）时无效。")
        g.add("制振频率%d微调" % n, "0.1Hz", 0, -200, 200, "s16", "R",
              "对制振频率%d进行微调。\n振动未完全消除时正负调整，通常保持为0。" % n)
    g.select("模型跟踪控制选择", 0, "T",
             "在位置控制下用内部模型生成理想指令，提高响应并抑制超调。\n启用前请先正确辨识负载惯量比。",
             opts("无效", "有效", "有效，并补偿负载扰动"))
    g.add("模型跟踪控制增益", "0.1Hz", 500, 10, 20000, "u16", "R",
          "模型跟踪控制的响应频率。\n增大可缩短定位时间，过大会产生超调。")
    g.add("模型跟踪增益补偿", "0.1%", 1000, 500, 2000, "u16", "R",
          "对模型跟踪控制的阻尼进行补偿。\n出现超调时减小，响应偏慢时增大。")
    g.add("模型跟踪速度前馈", "0.1%", 1000, 0, 1000, "u16", "R",
          "模型跟踪控制下速度前馈的比例。\n通常保持100.0%。")

    # P03 ---------------------------------------------------------------------
    g = group(3, "自动调整", "gain")
    g.select("自动增益调整模式", 1, "R",
             "选择增益的调整方式。",
             opts("手动调整（增益不自动变化）", "标准模式（按刚性等级自动设定增益）",
                  "定位模式（强化定位性能）", "高响应模式（需较高机械刚性）"))
    g.add("刚性等级", "", 12, 0, 31, "u16", "R",
          "刚性等级越高，增益越大，响应越快。\n从较低等级逐步增大，出现振动或异响时退回1～2级。")
    g.add("负载惯量比", "%", 100, 0, 12000, "u16", "R",
          "负载转动惯量与电机转动惯量之比。\n可通过惯量辨识获得，设定不准会影响自动增益的效果。")
    g.select("在线惯量辨识模式", 0, "R",
             "运行中实时估算负载惯量比。",
             opts("关闭", "惯量变化缓慢", "惯量变化一般", "惯量变化迅速"))
    g.add("离线惯量辨识最大速度", "rpm", 800, 100, 2000, "u16", "T",
          "执行离线惯量辨识时电机运行的最高速度。\n速度过低会使辨识结果偏差较大。")
    g.add("离线惯量辨识加减速时间", "ms", 125, 20, 800, "u16", "T",
          "离线惯量辨识时从0加速到1000rpm所需的时间。\n加速越快辨识越准确，但机械冲击越大。")
    g.add("离线惯量辨识等待时间", "ms", 800, 50, 10000, "u16", "T",
          "每次往复运动之间的停顿时间。\n负载稳定时间较长时适当增大。")
    g.add("单次辨识所需电机圈数", "0.01r", 0, 0, 65535, "u16", "O",
          "按当前最大速度和加减速时间算出的单次辨识运动量。\n请确认机械行程大于此值后再执行辨识。")
    g.select("辨识运动方式", 0, "T",
             "离线惯量辨识时电机的运动方式。",
             opts("正反往复运动", "单向运动"))
    g.add("一键调整运行行程", "0.1r", 10, 1, 1000, "u16", "T",
          "一键调整时电机往复运动的行程。\n请确保行程内无障碍物，并设置好限位。")
    g.add("目标定位时间", "ms", 50, 1, 1000, "u16", "R",
          "一键调整时期望的定位完成时间。\n驱动器以此为目标搜索增益，机械刚性不足时可能达不到。")
    g.add("振动检测阈值", "0.1%", 50, 0, 1000, "u16", "R",
          "转矩波动超过此值时判定为振动，自动调整会降低刚性等级。\n设为0时不检测振动。")
    g.select("调整结果保存", 1, "R",
             "选择自动调整得到的增益、惯量比是否写入EEPROM。\n频繁写入会缩短EEPROM寿命，在线辨识时建议选0。",
             opts("不保存（断电后恢复）", "保存至EEPROM"))

    # P04 ---------------------------------------------------------------------
    g = group(4, "位置控制", "ctrl")
    g.select("位置指令来源", 0, "T",
             "选择位置控制模式下位置指令的来源。",
             opts("脉冲指令", "多段位置指令", "通信给定"))
    g.select("指令脉冲形式", 0, "TP",
             "设定上位机发出的指令脉冲形式。\n须与上位机的输出方式一致。",
             opts("脉冲+方向（正逻辑）", "脉冲+方向（负逻辑）",
                  "A/B相正交脉冲（四倍频）", "CW/CCW双脉冲"))
    g.select("脉冲输入端子选择", 0, "TP",
             "选择指令脉冲的输入端子。",
             opts("低速脉冲端子（集电极开路或差分，≤500kHz）", "高速差分端子（≤4MHz）"))
    g.select("指令脉冲方向取反", 0, "T",
             "将指令脉冲的计数方向取反。\n与旋转方向选择不同，不改变位置反馈的方向。",
             opts("不取反", "取反"))
    g.add("电机每转指令脉冲数", "pulse", 0, 0, 8388608, "u32", "T",
          "电机每转一圈所需的指令脉冲数。\n设为0时使用电子齿轮比（P04-05～P04-08）。")
    g.add("电子齿轮比1分子", "", 8388608, 1, 1073741824, "u32", "T",
          "电子齿轮比 = 分子 / 分母，指令脉冲乘以此比值后作为编码器单位的位置指令。\n出厂值对应23位编码器每转10000个指令脉冲。")
    g.add("电子齿轮比1分母", "", 10000, 1, 1073741824, "u32", "T",
          "电子齿轮比1的分母。\n齿轮比超出允许范围时报电子齿轮比设定错误。")
    g.add("电子齿轮比2分子", "", 8388608, 1, 1073741824, "u32", "T",
          "第2组电子齿轮比的分子，由DI功能“电子齿轮选择”切换。\n切换应在无指令脉冲输入时进行。")
    g.add("电子齿轮比2分母", "", 10000, 1, 1073741824, "u32", "T",
          "第2组电子齿轮比的分母。\n含义同P04-06。")
    g.select("定位完成输出条件", 0, "R",
             "选择“定位完成”信号的输出条件。",
             opts("位置偏差小于定位完成幅值", "偏差小于幅值且滤波后位置指令为0",
                  "偏差小于幅值且位置指令为0"))
    g.add("定位完成幅值", "pulse", 10, 1, 65535, "u16", "R",
          "位置偏差绝对值小于此值时输出“定位完成”。\n单位为指令单位。")
    g.add("定位接近幅值", "pulse", 100, 1, 65535, "u16", "R",
          "位置偏差绝对值小于此值时输出“定位接近”。\n应大于定位完成幅值。")
    g.add("位置偏差过大阈值", "pulse", 100000, 0, 1073741824, "u32", "R",
          "位置偏差超过此值时报位置偏差过大故障，单位为指令单位。\n设为0时不检测，调试完成后请恢复设定。")
    g.add("位置指令低通滤波时间常数", "0.1ms", 0, 0, 6553, "u16", "T",
          "对位置指令进行一阶低通滤波，使电机启停更平滑。\n不影响指令脉冲总数，但会增加定位延迟。")
    g.add("位置指令平均滤波时间常数", "0.1ms", 0, 0, 1280, "u16", "T",
          "对位置指令进行移动平均滤波。\n与一阶低通相比无超调，适合抑制指令突变引起的冲击。")
    g.select("偏差清除方式", 0, "T",
             "选择位置偏差计数器的清除时机。",
             opts("伺服OFF或发生故障时清除", "仅发生故障时清除",
                  "仅由DI“偏差计数器清零”清除"))
    g.select("偏差清除信号形式", 0, "T",
             "DI“偏差计数器清零”的有效形式。",
             opts("电平有效", "上升沿有效"))
    g.select("脉冲输入禁止功能", 0, "R",
             "有效时由DI“脉冲输入禁止”屏蔽指令脉冲。\n禁止期间输入的脉冲不计数。",
             ON_OFF)
    g.select("软件限位功能", 0, "R",
             "按位置反馈限制运动范围，超出时按超程处理。",
             opts("无效", "有效", "原点回归完成后有效"))
    g.add("正向软件限位", "pulse", 2147483647, -2147483648, 2147483647, "s32", "R",
          "位置反馈超过此值时禁止继续正向运动。\n单位为指令单位，需大于反向软件限位。")
    g.add("反向软件限位", "pulse", -2147483648, -2147483648, 2147483647, "s32", "R",
          "位置反馈低于此值时禁止继续反向运动。\n单位为指令单位，需小于正向软件限位。")
    g.add("指令脉冲最大频率", "kHz", 4000, 1, 4000, "u16", "T",
          "输入脉冲频率超过此值时报输入脉冲频率过高。\n建议设为上位机实际最高输出频率的1.2倍左右。")
    g.select("脉冲输入数字滤波", 0, "T",
             "对指令脉冲输入进行数字滤波，抑制干扰。\n滤波截止频率应高于最大输入脉冲频率。",
             opts("截止约4MHz", "截止约1MHz", "截止约500kHz", "截止约200kHz"))

    # P05 ---------------------------------------------------------------------
    g = group(5, "速度控制", "ctrl")
    g.select("速度指令来源", 1, "T",
             "选择速度控制模式下速度指令的来源。",
             opts("模拟量AI1", "数字给定（P05-01）", "内部多段速度", "通信给定",
                  "AI1与数字给定叠加"))
    g.add("数字速度给定", "rpm", 200, -6000, 6000, "s16", "R",
          "速度指令来源为数字给定时的速度指令。\n负值表示反向旋转。")
    g.add("点动速度", "rpm", 100, 0, 6000, "u16", "R",
          "面板或DI点动运行时的速度。\n点动使用P05-03、P05-04的加减速时间。")
    g.add("加速时间", "ms", 0, 0, 65535, "u16", "R",
          "速度指令从0加速到1000rpm所需的时间。\n位置控制时无效。")
    g.add("减速时间", "ms", 0, 0, 65535, "u16", "R",
          "速度指令从1000rpm减速到0所需的时间。\n负载惯量大时过短会引起过电压。")
    g.add("S曲线时间", "ms", 0, 0, 1000, "u16", "R",
          "在加减速的起止段加入S形平滑，减小冲击。\n设为0时为直线加减速。")
    g.add("最高速度限制", "rpm", 6000, 0, 6500, "u16", "R",
          "各控制模式共用的速度上限。\n实际上限取此值与电机最高转速中的较小者。")
    g.add("正向速度限制", "rpm", 6000, 0, 6500, "u16", "R",
          "正方向转速的上限。\n与最高速度限制同时作用，取较小者。")
    g.add("反向速度限制", "rpm", 6000, 0, 6500, "u16", "R",
          "反方向转速的上限。\n与最高速度限制同时作用，取较小者。")
    g.select("零速钳位功能", 0, "R",
             "速度控制时在零速附近锁定电机位置。",
             opts("无效", "速度指令低于钳位阈值时强制为0",
                  "DI“零速钳位”有效且速度指令低于阈值时位置锁定",
                  "DI“零速钳位”有效时立即位置锁定"))
    g.add("零速钳位速度阈值", "rpm", 30, 0, 6000, "u16", "R",
          "零速钳位功能判断速度指令是否接近0的阈值。\n设定过大会使低速指令被忽略。")
    g.add("零速输出阈值", "rpm", 10, 1, 6000, "u16", "R",
          "电机转速绝对值低于此值时输出“零速”信号。\n判断带有固定的迟滞。")
    g.add("电机旋转检测阈值", "rpm", 20, 0, 1000, "u16", "R",
          "电机转速绝对值超过此值时输出“电机旋转”信号。\n设定过小易受编码器噪声影响。")
    g.add("速度一致幅值", "rpm", 10, 0, 100, "u16", "R",
          "速度反馈与速度指令之差小于此值时输出“速度一致”信号。\n仅在速度控制模式下有效。")
    g.add("速度到达阈值", "rpm", 1000, 10, 6000, "u16", "R",
          "电机转速绝对值超过此值时输出“速度到达”信号。\n可用于判断电机是否已进入高速运行。")
    for n, speed in enumerate((0, 100, 300, 500, 1000, 1500, 2000, 3000), start=1):
        g.add("内部速度%d" % n, "rpm", speed, -6000, 6000, "s16", "R",
              "多段速度第%d段的速度指令，负值为反向。\nDI“多段速度选择3/2/1”组合为%s时选中本段。"
              % (n, format(n - 1, "03b")))
    g.add("速度指令滤波时间常数", "0.1ms", 0, 0, 10000, "u16", "R",
          "对速度指令进行一阶低通滤波。\n模拟量速度指令有噪声时可适当增大。")

    # P06 ---------------------------------------------------------------------
    g = group(6, "转矩控制", "ctrl")
    g.select("转矩指令来源", 0, "T",
             "选择转矩控制模式下转矩指令的来源。",
             opts("模拟量AI2", "数字给定（P06-01）", "通信给定"))
    g.add("数字转矩给定", "0.1%", 0, -3000, 3000, "s16", "R",
          "转矩指令来源为数字给定时的转矩指令，以电机额定转矩为100.0%。\n负值表示反向转矩。")
    g.select("转矩限制来源", 0, "T",
             "选择转矩限制值的来源。",
             opts("内部正反向转矩限制", "DI切换内部/外部转矩限制", "模拟量AI2限制", "通信给定"))
    for side in ("正向", "反向"):
        g.add(side + "内部转矩限制", "0.1%", 3000, 0, 3000, "u16", "R",
              "%s输出转矩的上限，以电机额定转矩为100.0%%。\n实际限制值不超过电机最大转矩。" % side)
    for side in ("正向", "反向"):
        g.add(side + "外部转矩限制", "0.1%", 3000, 0, 3000, "u16", "R",
              "DI“%s外部转矩限制”有效时使用的转矩上限。\n转矩限制来源为1时有效。" % side)
    g.select("转矩模式速度限制来源", 0, "R",
             "转矩控制时速度限制值的来源。",
             opts("内部设定（P06-08、P06-09）", "模拟量AI1"))
    for side in ("正向", "反向"):
        g.add("转矩模式%s速度限制" % side, "rpm", 3000, 0, 6500, "u16", "R",
              "转矩控制时电机%s转速的上限。\n空载或轻载运行时防止电机飞车。" % side)
    g.add("转矩到达基准值", "0.1%", 0, 0, 3000, "u16", "R",
          "判断“转矩到达”的基准转矩。\n实际判断值为基准值加有效值或无效值。")
    g.add("转矩到达有效值", "0.1%", 200, 0, 3000, "u16", "R",
          "转矩指令高于基准值加此值时“转矩到达”输出有效。\n应大于转矩到达无效值。")
    g.add("转矩到达无效值", "0.1%", 100, 0, 3000, "u16", "R",
          "转矩指令低于基准值加此值时“转矩到达”输出无效。\n与有效值之差构成迟滞。")
    g.add("转矩指令斜坡时间", "ms", 0, 0, 10000, "u16", "R",
          "转矩指令从0变化到100.0%所需的时间。\n设为0时无斜坡。")
    g.add("急停转矩", "0.1%", 1000, 0, 3000, "u16", "R",
          "急停或按急停转矩方式停机时的最大转矩。\n过大可能引起机械冲击，过小会延长停车距离。")
    g.add("转矩偏置", "0.1%", 0, -1000, 1000, "s16", "R",
          "叠加到转矩指令上的固定偏置，用于补偿垂直轴的重力负载。\n正值为正方向转矩。")
    g.add("正向摩擦补偿", "0.1%", 0, 0, 1000, "u16", "R",
          "电机正向运动时叠加的转矩补偿量，抵消静摩擦。\n补偿过大会在换向时产生冲击。")
    g.add("反向摩擦补偿", "0.1%", 0, -1000, 0, "s16", "R",
          "电机反向运动时叠加的转矩补偿量，应设为0或负值。\n补偿过大会在换向时产生冲击。")

    # P07 ---------------------------------------------------------------------
    g = group(7, "数字输入", "io")
    di_functions = opts(
        "无功能", "伺服使能", "报警复位", "增益切换", "控制模式切换", "零速钳位",
        "正向超程", "反向超程", "正向外部转矩限制", "反向外部转矩限制", "正向点动",
        "反向点动", "多段速度选择1", "多段速度选择2", "多段速度选择3", "电子齿轮选择",
        "偏差计数器清零", "脉冲输入禁止", "原点开关", "原点回归启动", "多段位置选择1",
        "多段位置选择2", "多段位置选择3", "多段位置启动", "紧急停止", "转矩指令方向",
        "速度指令方向", "内部指令暂停")
    for n, func in enumerate((1, 2, 6, 7, 16, 3, 12, 18, 0), start=1):
        g.select("DI%d端子功能" % n, func, "RS",
                 "设定DI%d端子的功能，同一功能不能分配给多个端子。" % n,
                 di_functions)
    for n in range(1, 10):
        g.select("DI%d端子逻辑" % n, 0, "RS",
                 "设定DI%d端子的有效逻辑。\n沿有效只适用于报警复位、原点回归启动等脉冲型功能。" % n,
                 opts("低电平有效（光耦导通）", "高电平有效（光耦截止）", "上升沿有效",
                      "下降沿有效", "上升沿和下降沿均有效"))
    g.add("DI输入滤波时间", "0.1ms", 20, 0, 500, "u16", "R",
          "DI端子的数字滤波时间。\n现场干扰较大时适当增大，会增加信号响应延迟。")
    g.select("DI强制输入功能", 0, "R",
             "有效时DI状态取P07-20的设定值，不再读取端子。\n用于无外部接线时的调试。",
             opts("无效（按端子实际状态）", "有效（按P07-20设定状态）"))
    g.add("DI强制输入状态", "", 0, 0, 511, "u16", "R",
          "各位依次对应DI1～DI9的强制状态，1为有效。\n仅在P07-19为1时起作用，断电后不保存。")

    # P08 ---------------------------------------------------------------------
    g = group(8, "数字输出", "io")
    do_functions = opts(
        "无功能", "伺服准备好", "电机旋转", "零速", "速度一致", "定位完成", "定位接近",
        "转矩限制中", "速度限制中", "抱闸输出", "告警输出", "故障输出", "原点回归完成",
        "电气回零完成", "转矩到达", "速度到达", "多段位置完成", "伺服使能状态",
        "通信控制输出")
    for n, func in enumerate((1, 11, 5, 9, 3, 10), start=1):
        g.select("DO%d端子功能" % n, func, "RS",
                 "设定DO%d端子输出的信号。\n同一功能可分配给多个端子。" % n,
                 do_functions)
    for n in range(1, 7):
        g.select("DO%d端子逻辑" % n, 0, "RS",
                 "设定DO%d端子的输出逻辑。" % n,
                 opts("功能有效时输出导通", "功能有效时输出截止"))
    g.select("DO强制输出功能", 0, "R",
             "有效时DO状态由P08-13决定，用于检查接线。\n伺服使能期间此功能无效。",
             ON_OFF)
    g.add("DO强制输出状态", "", 0, 0, 63, "u16", "R",
          "各位依次对应DO1～DO6，1为导通。\n仅在P08-12为1时起作用，断电后不保存。")

    # P09 ---------------------------------------------------------------------
    g = group(9, "模拟量", "io")
    for n in (1, 2):
        g.add("AI%d零点偏置" % n, "mV", 0, -5000, 5000, "s16", "R",
              "AI%d输入电压减去此值后作为有效输入。\n可通过P09-08自动校正。" % n)
        g.add("AI%d输入滤波时间常数" % n, "0.01ms", 200, 0, 65535, "u16", "R",
              "AI%d输入的一阶低通滤波时间常数。\n模拟量指令噪声较大时适当增大。" % n)
        g.add("AI%d死区" % n, "mV", 10, 0, 1000, "u16", "R",
              "AI%d输入电压绝对值小于此值时视为0V。\n用于消除零点附近的微小漂移。" % n)
    g.add("模拟量速度指令增益", "rpm", 3000, 0, 6000, "u16", "R",
          "模拟量输入10V时对应的速度指令。\n负电压对应反向速度。")
    g.add("模拟量转矩指令增益", "0.1%", 1000, 0, 3000, "u16", "R",
          "模拟量输入10V时对应的转矩指令。\n以电机额定转矩为100.0%。")
    g.select("模拟量零漂自动校正", 0, "T",
             "执行前请将对应的模拟量输入端子短接到0V。\n校正完成后本参数自动恢复为0，结果写入零点偏置。",
             opts("无操作", "校正AI1", "校正AI2"))
    ao_signals = opts("电机转速（1V/1000rpm）", "速度指令（1V/1000rpm）",
                      "转矩指令（1V/100%）", "位置偏差（1V/10000指令单位）",
                      "母线电压（1V/100V）", "AI1电压", "AI2电压")
    for n, signal in ((1, 0), (2, 2)):
        g.select("AO%d信号选择" % n, signal, "R",
                 "选择AO%d端子输出的监视信号。" % n, ao_signals)
        g.add("AO%d偏置" % n, "mV", 0, -10000, 10000, "s16", "R",
              "AO%d输出电压叠加的偏置。\n输出范围为-10V～+10V，超出部分被限幅。" % n)
        g.add("AO%d输出倍率" % n, t("0.01倍"), 100, -9999, 9999, "s16", "R",
              "AO%d输出乘以此倍率后送出。\n负值使输出极性反转。" % n)

    # P10 ---------------------------------------------------------------------
    g = group(10, "扩展功能", "ext")
    g.add("抱闸打开延时", "ms", 100, 0, 500, "u16", "R",
          "伺服使能后到接受指令前的等待时间，保证抱闸完全打开。\n应大于抱闸实际释放时间。")
    g.add("静止时抱闸关闭后断电延时", "ms", 150, 50, 1000, "u16", "R",
          "电机静止时抱闸输出关闭到电机断电的时间。\n防止垂直轴在抱闸完全吸合前下滑。")
    g.add("运转中抱闸输出速度阈值", "rpm", 30, 0, 3000, "u16", "R",
          "电机旋转中伺服OFF时，转速低于此值才输出抱闸关闭。\n避免高速抱闸造成磨损。")
    g.add("运转中抱闸输出等待时间", "ms", 500, 1, 1000, "u16", "R",
          "电机旋转中伺服OFF后，最长经过此时间即输出抱闸关闭。\n与P10-02先满足者生效。")
    g.select("再生电阻设置", 0, "T",
             "外置电阻的阻值不得小于驱动器允许的最小值。",
             opts("使用内置再生电阻", "使用外置再生电阻（自然冷却）",
                  "使用外置再生电阻（强制风冷）", "不使用再生电阻（仅靠电容吸收）"))
    g.add("外置再生电阻功率", "W", 40, 0, 65535, "u16", "T",
          "外置再生电阻的额定功率。\n设定值与实际不符会导致再生过载误报或电阻过热。")
    g.add("外置再生电阻阻值", "Ω", 50, 1, 1000, "u16", "T",
          "外置再生电阻的阻值。\n应不小于驱动器允许的最小阻值。")
    g.add("再生电阻散热系数", "%", 30, 10, 100, "u16", "T",
          "再生电阻实际可持续承受的功率与额定功率之比。\n自然冷却一般取20%～30%。")
    g.add("瞬时停电保持时间", "ms", 20, 20, 1000, "u16", "R",
          "主电源瞬时停电后继续运行的最长时间。\n超过此时间仍未恢复时报主电源断电。")
    g.select("散热风扇控制", 0, "R",
             "选择散热风扇的运转方式。",
             opts("散热器温度升高时运转", "上电后常转", "伺服使能时运转"))

    # P11 ---------------------------------------------------------------------
    g = group(11, "通信", "comm")
    g.add("RS485站号", "", 1, 1, 247, "u16", "T",
          "Modbus RTU通信的从站地址。\n同一总线上的站号不能重复。")
    g.select("RS485波特率", 6, "TP",
             "RS485通信的波特率，须与上位机一致。",
             opts("2400bps", "4800bps", "9600bps", "19200bps", "38400bps",
                  "57600bps", "115200bps"))
    g.select("RS485数据格式", 1, "TP",
             "RS485通信的校验方式与停止位，须与上位机一致。", DATA_FORMATS)
    g.add("通信超时时间", "ms", 0, 0, 60000, "u16", "T",
          "超过此时间未收到有效报文时判为通信超时，处理方式由P11-07选择。\n设为0时不检测。")
    g.add("应答延时", "ms", 1, 0, 100, "u16", "T",
          "收到报文后到发送应答前的最小延时。\n上位机收发切换较慢时适当增大。")
    g.select("32位数据字顺序", 0, "T",
             "32位参数在Modbus寄存器中的存放顺序。",
             opts("高16位在前", "低16位在前"))
    g.select("通信写参数存储", 1, "T",
             "选择通信修改的参数是否写入EEPROM。\n频繁写参数时请选0，以免缩短EEPROM寿命。",
             opts("仅修改RAM（断电不保存）", "同时写入EEPROM"))
    g.select("通信超时处理", 0, "T",
             "通信超时后驱动器的动作。",
             opts("仅输出告警，继续运行", "故障停机"))
    g.select("CAN波特率", 2, "TP",
             "CAN总线的波特率，同一总线上所有节点须一致。",
             opts("125kbps", "250kbps", "500kbps", "1Mbps"))
    g.add("CAN节点号", "", 1, 1, 127, "u16", "TP",
          "CAN总线上的节点地址。\n同一总线上的节点号不能重复。")

    # P12 ---------------------------------------------------------------------
    g = group(12, "多段位置", "ctrl")
    g.select("多段位置运行方式", 0, "T",
             "位置指令来源为多段位置时的运行方式。",
             opts("单次运行（运行至结束段后停止）", "循环运行", "DI选择段号运行",
                  "顺序运行（每段由DI启动）"))
    g.add("起始段号", "", 1, 1, 8, "u16", "T",
          "单次、循环或顺序运行时的第一段。\n应不大于结束段号。")
    g.add("结束段号", "", 1, 1, 8, "u16", "T",
          "单次、循环或顺序运行时的最后一段。\n应不小于起始段号。")
    g.select("等待时间单位", 0, "T",
             "各段完成后等待时间的单位。", opts("ms", "s"))
    g.select("位移指令类型", 0, "T",
             "各段位移量的含义。",
             opts("相对位移", "绝对位置"))
    for n in range(1, 9):
        g.add("第%d段位移" % n, "pulse", 10000, -1073741824, 1073741824, "s32", "R",
              "第%d段的位移量（指令单位）。\n相对位移时为本段移动量，绝对位置时为目标坐标。" % n)
        g.add("第%d段最大速度" % n, "rpm", 200, 1, 6000, "u16", "R",
              "第%d段运行的最大速度。\n实际速度受最高速度限制约束。" % n)
        g.add("第%d段加减速时间" % n, "ms", 10, 0, 65535, "u16", "R",
              "第%d段从0加速到最大速度或从最大速度减速到0所需的时间。\n设为0时不进行加减速处理。" % n)
        g.add("第%d段完成后等待时间" % n, "", 10, 0, 10000, "u16", "R",
              "第%d段完成后到执行下一段前的等待时间。\n单位由P12-03选择。" % n)

    # P13 ---------------------------------------------------------------------
    g = group(13, "回零", "ctrl")
    g.select("原点回归使能", 0, "T",
             "选择原点回归的启动方式。",
             opts("关闭", "由DI“原点回归启动”触发", "上电后自动执行一次", "立即执行一次",
                  "以当前位置为原点（电气回零）"))
    g.select("原点回归模式", 0, "T",
             "选择搜索方向与原点信号。",
             opts("正向，原点开关", "反向，原点开关", "正向，Z相", "反向，Z相",
                  "正向，限位开关", "反向，限位开关", "正向，机械限位", "反向，机械限位"))
    g.add("高速搜索速度", "rpm", 100, 0, 3000, "u16", "R",
          "搜索原点开关或限位开关时的速度。\n行程较长时可适当增大。")
    g.add("低速搜索速度", "rpm", 10, 1, 1000, "u16", "R",
          "离开开关后寻找Z相或开关沿时的速度。\n速度过高会降低原点精度。")
    g.add("搜索加减速时间", "ms", 1000, 0, 1000, "u16", "R",
          "原点回归中速度从0变化到1000rpm所需的时间。\n过短会在碰到开关时产生冲击。")
    g.add("原点回归超时时间", "ms", 10000, 0, 65535, "u16", "R",
          "原点回归超过此时间仍未完成时报回零超时。\n设为0时不检测。")
    g.add("原点偏置", "pulse", 0, -2147483648, 2147483647, "s32", "R",
          "回零完成后原点位置的坐标值（指令单位）。\n处理方式由P13-07选择。")
    g.select("原点偏置处理方式", 0, "R",
             "回零完成后原点偏置的使用方式。",
             opts("将当前位置设为原点偏置值", "继续移动原点偏置量后设为零点"))
    g.add("机械限位回零转矩限制", "0.1%", 1000, 0, 3000, "u16", "R",
          "碰撞机械限位回零时的转矩上限。\n过大可能损坏机械。")
    g.add("机械限位检测时间", "ms", 100, 0, 1000, "u16", "R",
          "转矩达到限制值并保持此时间后认为已到达机械限位。\n过短可能在加速时误判。")

    # P14 ---------------------------------------------------------------------
    g = group(14, "保护", "ext")
    g.add("超速故障阈值", "rpm", 0, 0, 10000, "u16", "R",
          "转速超过此值时报超速故障。\n设为0时取电机最高转速的1.2倍。")
    g.add("电机过载保护系数", "%", 100, 50, 300, "u16", "R",
          "调整电机过载保护的动作时间，100%为标准特性。\n增大会推迟保护，仅在电机散热条件良好时使用。")
    g.add("过载预警阈值", "%", 80, 10, 100, "u16", "R",
          "电机或驱动器负载率达到此值时输出过载预警。\n不影响过载故障的检测。")
    g.add("欠压保护阈值", "V", 200, 150, 260, "u16", "T",
          "直流母线电压低于此值时报欠电压。\n适用于220V等级驱动器。")
    g.select("输入缺相检测", 0, "T",
             "三相输入时主电源缺相的处理方式。",
             opts("检测并报故障", "仅告警", "不检测"))
    g.select("多圈溢出检测", 0, "T",
             "绝对位置线性模式下多圈计数溢出时是否报故障。\n绝对位置旋转模式下不检测。",
             opts("检测", "不检测"))
    g.select("电机堵转保护", 0, "R",
             "堵转检测条件见P14-07。",
             opts("有效", "无效"))
    g.add("堵转检测时间", "ms", 200, 10, 65535, "u16", "R",
          "转矩达到限制值且转速低于10rpm持续此时间后报电机堵转。\n负载启动困难时可适当增大。")
    g.add("速度偏差过大阈值", "rpm", 0, 0, 10000, "u16", "R",
          "速度指令与速度反馈之差超过此值时报速度偏差过大。\n设为0时不检测。")
    g.add("电机温度保护阈值", "℃", 120, 80, 150, "u16", "R",
          "电机温度传感器检测值超过此值时报电机过热。\n需先设定温度传感器类型（P20-13）。")
    g.add("驱动器温度告警阈值", "℃", 85, 60, 100, "u16", "R",
          "散热器温度超过此值时输出驱动器温度过高告警。\n达到固定的过热保护点时报故障。")
    g.select("上电对地短路检测", 0, "T",
             "上电后首次使能前检测输出是否对地短路。",
             opts("检测", "不检测"))
    g.add("故障自动复位次数", "", 0, 0, 10, "u16", "R",
          "欠电压、通信超时等可恢复故障发生后自动复位的次数。\n设为0时不自动复位。")

    # P15 ---------------------------------------------------------------------
    g = group(15, "显示", "basic")
    g.add("上电显示监视项", "", 1, 1, 99, "u16", "R",
          "上电后面板显示的U0组监视项编号。\n默认1为电机转速（U0-01）。")
    g.add("转速显示滤波时间", "ms", 100, 0, 1000, "u16", "R",
          "面板和监视量中转速显示值的平滑时间。\n不影响控制。")
    g.select("面板按键锁定", 0, "R",
             "防止误操作面板。",
             opts("不锁定", "锁定参数修改", "锁定全部按键"))
    g.add("用户密码", "", 0, 0, 65535, "u16", "R",
          "设为非0值后，修改参数前需先输入该密码。\n忘记密码时请联系厂家。")
    g.select("参数初始化", 0, "T",
             "执行后本参数自动恢复为0，重新上电后生效。",
             opts("无操作", "恢复出厂设定（通信参数除外）", "全部恢复出厂设定"))
    g.select("面板显示亮度", 1, "R",
             "数码管的显示亮度。", opts("低", "中", "高"))
    g.add("故障记录查看序号", "", 0, 0, 9, "u16", "R",
          "选择在面板上查看第几次故障记录，0为最近一次。\n最多保存10次故障记录。")
    g.add("面板自动返回时间", "s", 60, 0, 600, "u16", "R",
          "按键无操作超过此时间后面板返回监视画面。\n设为0时不自动返回。")

    # P16 ---------------------------------------------------------------------
    g = group(16, "辅助功能", "ext")
    g.select("试运行模式", 0, "T",
             "不接上位机时检查电机与机械的动作。",
             opts("无效", "点动试运行", "程序点动"))
    g.select("程序点动运行方式", 2, "T",
             "程序点动时的运动方式。",
             opts("正向运动后等待（单次）", "反向运动后等待（单次）",
                  "正向→反向往复（循环）", "反向→正向往复（循环）"))
    g.add("程序点动速度", "rpm", 500, 1, 6000, "u16", "T",
          "程序点动时的运行速度。\n首次试运行请从低速开始。")
    g.add("程序点动加减速时间", "ms", 100, 0, 10000, "u16", "T",
          "程序点动时从0加速到程序点动速度所需的时间。\n负载惯量大时适当增大。")
    g.add("程序点动等待时间", "ms", 100, 0, 10000, "u16", "T",
          "程序点动每次运动后的停顿时间。\n往复运动时在两端各停顿一次。")
    g.add("程序点动运动距离", "pulse", 50000, 1, 1073741824, "u32", "T",
          "程序点动每次运动的距离（指令单位）。\n请确认行程内无障碍物。")
    g.add("程序点动循环次数", "", 1, 0, 1000, "u16", "T",
          "往复运动的次数。\n设为0时持续运行，直至停止试运行。")
    g.select("软件复位", 0, "T",
             "伺服OFF时复位驱动器控制部分，效果等同于控制电源重新上电。\n执行后本参数自动恢复为0。",
             opts("无操作", "执行软件复位"))
    g.select("绝对编码器复位", 0, "T",
             "执行后需重新上电；清除多圈数据后需重新回零。",
             opts("无操作", "清除编码器故障", "清除多圈数据及编码器故障"))
    g.select("故障记录清除", 0, "T",
             "清除面板和通信可读取的故障记录。\n执行后本参数自动恢复为0。",
             opts("无操作", "清除故障记录"))

    # P17 ---------------------------------------------------------------------
    g = group(17, "全闭环控制", "ctrl")
    g.select("全闭环功能选择", 0, "TP",
             "有效时以外部编码器（光栅尺等）的位置作为位置反馈。\n启用前须正确设定P17-01～P17-03。",
             opts("无效（半闭环）", "有效"))
    g.select("外部编码器类型", 0, "TP",
             "所接外部编码器的信号形式。",
             opts("A/B相增量式", "串行绝对值"))
    g.add("电机每转外部编码器脉冲数", "pulse", 10000, 1, 1073741824, "u32", "TP",
          "电机旋转一圈时外部编码器输出的脉冲数（四倍频后）。\n可由机械传动比计算，或手动转动电机一圈后读取。")
    g.select("外部编码器计数方向", 0, "TP",
             "外部编码器计数方向与电机编码器的关系。\n设反时运行中会报全闭环偏差过大。",
             opts("与电机编码器相同", "与电机编码器相反"))
    g.add("全闭环偏差过大阈值", "pulse", 10000, 0, 1073741824, "u32", "R",
          "外部编码器位置与电机编码器位置之差超过此值时报全闭环偏差过大。\n设为0时不检测。")
    g.add("混合偏差清除圈数", "r", 0, 0, 100, "u16", "R",
          "电机每旋转此圈数清除一次内外编码器的偏差，消除累积误差。\n设为0时不清除。")

    # P18 ---------------------------------------------------------------------
    g = group(18, "高级控制", "gain")
    g.select("速度观测器", 0, "T",
             "用观测器估算电机速度，降低编码器量化噪声的影响。\n启用前须正确设定负载惯量比。",
             ON_OFF)
    g.add("速度观测器增益", "Hz", 170, 10, 2000, "u16", "R",
          "速度观测器的带宽。\n增大可提高速度检测响应，过大会放大噪声。")
    g.select("扰动观测器", 0, "R",
             "估算负载扰动转矩并加以补偿，提高抗负载冲击能力。",
             ON_OFF)
    g.add("扰动观测器增益", "%", 0, 0, 100, "u16", "R",
          "扰动转矩补偿的比例。\n增大可提高抗负载扰动能力，过大会引起振动。")
    g.add("扰动观测器滤波时间常数", "0.01ms", 80, 0, 2500, "u16", "R",
          "扰动转矩估算值的低通滤波时间常数。\n噪声较大时适当增大。")
    g.add("电流环带宽", "Hz", 1000, 100, 4000, "u16", "T",
          "电流环的响应带宽，一般无需修改。\n设定过大会产生电流噪声和电机啸叫。")
    g.select("弱磁控制", 0, "T",
             "高速运行时母线电压不足可启用弱磁，提高最高转速。\n启用后电机电流会增大。",
             ON_OFF)
    g.select("PWM载波频率", 0, "TP",
             "提高载波频率可降低电机噪声，但驱动器需降额使用。",
             opts("8kHz", "10kHz", "16kHz"))
    g.select("死区补偿", 0, "T",
             "补偿功率器件死区引起的电压误差，改善低速平稳性。",
             opts("有效", "无效"))

    # P19 ---------------------------------------------------------------------
    g = group(19, "驱动器信息", "basic")
    g.add("产品系列代码", "", 1, 0, 65535, "u16", "O",
          "驱动器的产品系列代码。\n与U2-01监视值相同，仅供查看。")
    g.add("DSP软件版本", "", 104, 0, 65535, "u16", "O",
          "主控软件版本，如104表示V1.04。\n升级固件后自动更新。")
    g.add("FPGA软件版本", "", 201, 0, 65535, "u16", "O",
          "FPGA逻辑版本，如201表示V2.01。\n升级固件后自动更新。")
    g.add("驱动器额定功率", "W", 400, 0, 65535, "u16", "O",
          "驱动器的额定输出功率。\n所配电机功率一般不应超过此值。")
    g.add("驱动器额定电压", "V", 220, 0, 1000, "u16", "O",
          "驱动器的额定输入电压等级。\n欠压、过压阈值按此等级确定。")
    g.add("驱动器额定电流", "0.1A", 28, 0, 65535, "u16", "O",
          "驱动器的额定输出电流（有效值）。\n长时间运行电流不应超过此值。")
    g.add("驱动器最大电流", "0.1A", 84, 0, 65535, "u16", "O",
          "驱动器的最大输出电流（有效值）。\n决定可输出的峰值转矩。")
    g.add("非标软件编号", "", 0, 0, 65535, "u16", "O",
          "非标定制软件的编号，0表示标准软件。\n咨询技术支持时请提供此编号。")

    # P20 ---------------------------------------------------------------------
    g = group(20, "电机参数", "basic")
    note = "\n串行编码器电机上电时由编码器读入，仅自定义电机需要设定。"
    motor = [
        ("电机额定功率", "W", 400, 10, 65535, "电机的额定输出功率。"),
        ("电机额定电压", "V", 220, 0, 1000, "电机的额定线电压。"),
        ("电机额定电流", "0.01A", 280, 1, 65535, "电机的额定相电流（有效值）。"),
        ("电机额定转速", "rpm", 3000, 1, 10000, "电机的额定转速。"),
        ("电机最高转速", "rpm", 6000, 1, 10000, "电机允许的最高转速。"),
        ("电机额定转矩", "0.01N·m", 127, 1, 65535, "电机的额定转矩。"),
        ("电机转子转动惯量", "0.01kg·cm²", 26, 1, 65535, "电机转子的转动惯量，负载惯量比以此为基准。"),
        ("电机极对数", "", 5, 1, 31, "电机的磁极对数。"),
        ("定子相电阻", "0.001Ω", 2000, 1, 65535, "电机定子的相电阻。"),
        ("q轴电感", "0.01mH", 600, 1, 65535, "电机的q轴电感。"),
        ("d轴电感", "0.01mH", 550, 1, 65535, "电机的d轴电感。"),
        ("反电势常数", "0.1mV/rpm", 270, 1, 65535, "电机的线反电势常数（有效值）。"),
    ]
    for name, unit, dflt, lo, hi, text in motor:
        g.add(name, unit, dflt, lo, hi, "u16", "TP", text + note)
    g.add("初始电角度", "0.1°", 0, 0, 3599, "u16", "TP",
          "编码器零位与电机U相反电势零点之间的电角度差。\n更换编码器后需重新辨识，设定错误会导致电机失控。")
    g.select("电机温度传感器类型", 0, "TP",
             "电机内置温度传感器的类型，用于电机过热保护。",
             opts("无", "PTC热敏电阻", "KTY84"))

    # Monitors ----------------------------------------------------------------
    m = Monitor
    monitors = [
        m("U0-01", "电机转速", "rpm", "int16", "dec"),
        m("U0-02", "速度指令", "rpm", "int16", "dec"),
        m("U0-03", "转矩指令", "%", "int16", "1dot"),
        m("U0-04", "转矩反馈", "%", "int16", "1dot"),
        m("U0-05", "位置指令累计", "pulse", "int32", "dec"),
        m("U0-06", "位置反馈累计", "pulse", "int32", "dec"),
        m("U0-07", "位置偏差", "pulse", "int32", "dec"),
        m("U0-08", "输入脉冲频率", "kHz", "int32", "2dot"),
        m("U0-09", "母线电压", "V", "uint16", "1dot"),
        m("U0-10", "U相电流", "A", "int16", "2dot"),
        m("U0-11", "V相电流", "A", "int16", "2dot"),
        m("U0-12", "相电流有效值", "A", "uint16", "2dot"),
        m("U0-13", "d轴电流", "A", "int16", "2dot"),
        m("U0-14", "q轴电流", "A", "int16", "2dot"),
        m("U0-15", "驱动器温度", "℃", "int16", "1dot"),
        m("U0-16", "电机温度", "℃", "int16", "dec"),
        m("U0-17", "负载惯量比", "%", "uint16", "dec"),
        m("U0-18", "DI输入状态", "", "uint16", "io", bit_names(("DI", 9))),
        m("U0-19", "DO输出状态", "", "uint16", "io", bit_names(("DO", 6))),
        m("U0-20", "当前故障/告警码", "", "uint16", "alm"),
        m("U0-21", "AI1输入电压", "V", "int16", "3dot"),
        m("U0-22", "AI2输入电压", "V", "int16", "3dot"),
        m("U0-23", "电角度", "°", "uint16", "1dot"),
        m("U0-24", "机械角度", "°", "uint16", "1dot"),
        m("U0-25", "伺服运行状态", "", "uint16", "bin", RUN_STATE_BITS),
        m("U0-26", "控制状态字", "", "int16", "hex", CONTROL_WORD_BITS),
        m("U0-27", "瞬时输出功率", "W", "int16", "dec"),
        m("U0-28", "位置指令速度", "rpm", "int16", "dec"),
        m("U0-29", "负载率", "%", "uint16", "1dot"),
        m("U1-01", "绝对位置", "pulse", "int32", "dec"),
        m("U1-02", "编码器单圈位置", "pulse", "uint32", "dec"),
        m("U1-03", "编码器多圈圈数", "r", "uint16", "dec"),
        m("U1-04", "累计运行时间", "h", "uint32", "dec"),
        m("U1-05", "上电次数", t("次"), "uint32", "dec"),
        m("U1-06", "再生负载率", "%", "uint16", "1dot"),
        m("U1-07", "电机累计负载率", "%", "uint16", "1dot"),
        m("U1-08", "驱动器累计负载率", "%", "uint16", "1dot"),
        m("U1-09", "峰值转矩", "%", "int16", "1dot"),
        m("U1-10", "母线电压最大值", "V", "uint16", "1dot"),
        m("U1-11", "风扇累计运行时间", "h", "uint32", "dec"),
        m("U1-12", "故障累计次数", t("次"), "uint16", "dec"),
        m("U1-13", "散热器最高温度", "℃", "int16", "1dot"),
        m("U1-14", "编码器通信错误次数", t("次"), "uint16", "dec"),
        m("U1-15", "共振频率", "Hz", "uint16", "dec"),
        m("U1-16", "外部编码器位置", "pulse", "int32", "dec"),
    ] + device_info_monitors(["hex", "hex", "hex", "2dot", "2dot", "2dot", "dec", "dec"])

    fault_codes = [row[0] for row in FAULT_TABLE]

    c = Channel
    channels = [
        c("spd_fb", "速度反馈", "int16", "1", "rpm"),
        c("spd_cmd", "速度指令", "int16", "1", "rpm"),
        c("trq_cmd", "转矩指令", "int16", "0.1", "%"),
        c("trq_fb", "转矩反馈", "int16", "0.1", "%"),
        c("pos_cmd", "位置指令", "int32", "1", "pulse"),
        c("pos_fb", "位置反馈", "int32", "1", "pulse"),
        c("pos_err", "位置偏差", "int32", "1", "pulse"),
        c("vbus", "母线电压", "uint16", "0.1", "V"),
        c("iu", "U相电流", "int16", "0.01", "A"),
        c("iv", "V相电流", "int16", "0.01", "A"),
        c("id", "d轴电流", "int16", "0.01", "A"),
        c("iq", "q轴电流", "int16", "0.01", "A"),
        c("enc_single", "编码器单圈值", "uint32", "1", "pulse"),
        c("pulse_freq", "输入脉冲频率", "int32", "0.01", "kHz"),
        c("load", "负载率", "uint16", "0.1", "%"),
        c("di", "DI状态", "uint16", "1", ""),
        c("do", "DO状态", "uint16", "1", ""),
        c("ai1", "AI1电压", "int16", "0.001", "V"),
        c("ai2", "AI2电压", "int16", "0.001", "V"),
        c("pos_cmd_spd", "位置指令速度", "int16", "1", "rpm"),
        c("spd_ff", "速度前馈", "int16", "1", "rpm"),
        c("elec_angle", "电角度", "uint16", "0.1", "°"),
    ]
    wave_sets = {
        "Def": (["spd_fb", "spd_cmd", "trq_cmd", "trq_fb"], ["1000", "1000", "50", "50"]),
        "Pos": (["pos_cmd", "pos_fb", "pos_err", "spd_fb"], ["1000", "1000", "10", "1000"]),
        "Spd": (["spd_cmd", "spd_fb", "trq_cmd", "trq_fb"], ["1000", "1000", "50", "50"]),
        "Toq": (["trq_cmd", "trq_fb", "spd_fb", "iq"], ["50", "50", "1000", "1"]),
    }
    minimums = {"params": 200, "groups": 21, "monitors": 40, "faults": 50, "channels": 16}
    return Model("VMR-A1", "Parameter.xml", "V1.1", groups, monitors,
                 faults(fault_codes), channels, wave_sets, minimums)


# --- VMR-B2 --------------------------------------------------------------------
# The 16-bit protocol carries every value in one register and tells signed
# from unsigned by the minus sign in MinValue, so every parameter here is
# 16 bits wide and every signed one has a negative minimum.

def model_b():
    groups = []

    def group(number, title, kind):
        g = Group(number, title, kind)
        groups.append(g)
        return g

    g = group(0, "基本控制", "basic")
    g.select("控制模式选择", 0, "T",
             "选择伺服的控制方式。\n混合模式下由DI功能“控制模式切换”切换。",
             opts("位置模式", "速度模式", "转矩模式", "位置/速度切换"))
    g.select("旋转方向选择", 0, "TP",
             "设定正向指令对应的电机旋转方向。", ROTATION)
    g.add("电机代码", "", 0, 0, 65535, "u16", "O",
          "驱动器上电时识别到的电机型号代码。\n0表示未识别到电机，请检查编码器连线。")
    g.select("编码器类型选择", 0, "TP",
             "选择电机所配编码器的类型。",
             opts("2500线增量式编码器", "17位单圈绝对值编码器"))
    g.select("伺服OFF停机方式", 0, "T",
             "伺服使能信号断开时电机的停止方式。\n垂直轴请配合抱闸使用。",
             opts("自由停车", "动态制动停车"))
    g.add("分频输出每转脉冲数", "pulse", 2500, 1, 32768, "u16", "TP",
          "电机每转一圈由分频输出端口送出的A/B相脉冲数（四倍频前）。\n设定值应不大于编码器分辨率的1/4。")
    g.select("伺服使能方式", 0, "T",
             "选择伺服使能信号的来源。\n选择1时上电即使能，请先确认机械安全。",
             opts("由DI功能“伺服使能”控制", "上电后自动使能"))

    g = group(1, "增益", "gain")
    g.add("位置环增益", "0.1Hz", 400, 10, 20000, "u16", "R",
          "决定位置环的响应速度。\n增大可缩短定位时间，过大会引起超调或振动。")
    g.add("速度环增益", "0.1Hz", 250, 10, 20000, "u16", "R",
          "决定速度环的响应速度。\n负载惯量比设定正确时，设定值即为速度环带宽。")
    g.add("速度环积分时间常数", "0.1ms", 200, 10, 10000, "u16", "R",
          "减小可提高抗扰能力和稳态精度，过小会引起振动。\n设为10000时积分作用无效。")
    g.add("转矩指令滤波时间常数", "0.01ms", 100, 0, 2500, "u16", "R",
          "对转矩指令进行一阶低通滤波，抑制高频振动和噪声。\n增大会降低系统带宽。")
    g.add("速度前馈增益", "0.1%", 300, 0, 1000, "u16", "R",
          "位置控制时将位置指令的微分值按此比例加到速度指令上。\n过大会产生超调。")
    g.add("速度前馈滤波时间常数", "0.01ms", 50, 0, 6400, "u16", "R",
          "对速度前馈量进行一阶低通滤波。\n指令脉冲频率不均匀时适当增大。")
    g.add("第2位置环增益", "0.1Hz", 500, 10, 20000, "u16", "R",
          "第2组位置环增益，由增益切换条件选用。\n含义同P01-00。")
    g.add("第2速度环增益", "0.1Hz", 250, 10, 20000, "u16", "R",
          "第2组速度环增益，由增益切换条件选用。\n含义同P01-01。")
    g.select("增益切换条件", 0, "R",
             "满足条件时使用第2增益。",
             opts("固定第1增益", "DI“增益切换”输入", "有位置指令", "定位未完成"))
    g.select("自动增益调整模式", 1, "R",
             "选择增益的调整方式。",
             opts("手动调整", "标准模式（按刚性等级自动设定增益）", "定位模式"))
    g.add("刚性等级", "", 10, 0, 31, "u16", "R",
          "刚性等级越高，增益越大，响应越快。\n出现振动或异响时降低1～2级。")
    g.add("负载惯量比", "%", 100, 0, 10000, "u16", "R",
          "负载转动惯量与电机转动惯量之比。\n设定不准会影响自动增益的效果。")

    g = group(2, "振动抑制", "gain")
    for n in (1, 2):
        g.add("第%d陷波器频率" % n, "Hz", 5000, 50, 5000, "u16", "R",
              "第%d陷波器的中心频率。\n设为5000时该陷波器无效。" % n)
        g.add("第%d陷波器宽度等级" % n, "", 2, 0, 20, "u16", "R",
              "第%d陷波器的宽度等级。\n设定值越大陷波越宽。" % n)
        g.add("第%d陷波器深度等级" % n, "", 0, 0, 99, "u16", "R",
              "第%d陷波器的深度等级，0为完全切除。\n设定值越小抑制越强，相位滞后也越大。" % n)
    g.select("自适应陷波模式", 0, "R",
             "驱动器在运行中检测共振频率并自动设定第2陷波器。",
             opts("无效", "有效（自动设定第2陷波器）", "仅检测共振频率（结果见P02-07）"))
    g.add("共振频率检测结果", "Hz", 0, 0, 5000, "u16", "O",
          "检测得到的共振频率。\n0表示未检测到明显共振。")

    g = group(3, "位置控制", "ctrl")
    g.select("指令脉冲形式", 0, "TP",
             "设定上位机发出的指令脉冲形式。\n须与上位机的输出方式一致。",
             opts("脉冲+方向", "A/B相正交脉冲（四倍频）", "CW/CCW双脉冲"))
    g.add("电子齿轮比分子", "", 1, 1, 65535, "u16", "T",
          "电子齿轮比 = 分子 / 分母，指令脉冲乘以此比值后作为位置指令。\n出厂值为1:1。")
    g.add("电子齿轮比分母", "", 1, 1, 65535, "u16", "T",
          "电子齿轮比的分母。\n齿轮比超出允许范围时报电子齿轮比设定错误。")
    g.add("定位完成幅值", "pulse", 10, 1, 65535, "u16", "R",
          "位置偏差绝对值小于此值时输出“定位完成”。\n单位为指令单位。")
    g.add("位置偏差过大阈值", "0.1r", 30, 0, 10000, "u16", "R",
          "位置偏差超过此值时报位置偏差过大，单位为0.1圈。\n设为0时不检测。")
    g.add("位置指令滤波时间常数", "0.1ms", 0, 0, 1000, "u16", "T",
          "对位置指令进行一阶低通滤波，使启停更平滑。\n会增加定位延迟。")
    g.select("偏差清除方式", 0, "T",
             "选择位置偏差计数器的清除时机。",
             opts("伺服OFF或发生故障时清除", "仅发生故障时清除"))

    g = group(4, "速度控制", "ctrl")
    g.select("速度指令来源", 1, "T",
             "选择速度控制模式下速度指令的来源。",
             opts("模拟量AI1", "数字给定（P04-01）", "内部多段速度"))
    g.add("数字速度给定", "rpm", 200, -5000, 5000, "s16", "R",
          "速度指令来源为数字给定时的速度指令。\n负值表示反向旋转。")
    g.add("点动速度", "rpm", 100, 0, 5000, "u16", "R",
          "面板或DI点动运行时的速度。\n使用P04-03、P04-04的加减速时间。")
    g.add("加速时间", "ms", 0, 0, 10000, "u16", "R",
          "速度指令从0加速到1000rpm所需的时间。\n位置控制时无效。")
    g.add("减速时间", "ms", 0, 0, 10000, "u16", "R",
          "速度指令从1000rpm减速到0所需的时间。\n负载惯量大时过短会引起过电压。")
    g.add("最高速度限制", "rpm", 5000, 0, 5000, "u16", "R",
          "各控制模式共用的速度上限。\n实际上限取此值与电机最高转速中的较小者。")
    g.add("零速输出阈值", "rpm", 10, 1, 1000, "u16", "R",
          "电机转速绝对值低于此值时输出“零速”信号。\n判断带有固定的迟滞。")
    for n, speed in enumerate((0, 100, 500, 1000), start=1):
        g.add("内部速度%d" % n, "rpm", speed, -5000, 5000, "s16", "R",
              "多段速度第%d段的速度指令，负值为反向。\nDI“多段速度选择2/1”组合为%s时选中本段。"
              % (n, format(n - 1, "02b")))

    g = group(5, "转矩控制", "ctrl")
    g.select("转矩指令来源", 0, "T",
             "选择转矩控制模式下转矩指令的来源。",
             opts("模拟量AI1", "数字给定（P05-01）"))
    g.add("数字转矩给定", "0.1%", 0, -3000, 3000, "s16", "R",
          "转矩指令来源为数字给定时的转矩指令，以电机额定转矩为100.0%。\n负值表示反向转矩。")
    g.add("正向转矩限制", "0.1%", 3000, 0, 3000, "u16", "R",
          "正向输出转矩的上限，以电机额定转矩为100.0%。\n实际限制值不超过电机最大转矩。")
    g.add("反向转矩限制", "0.1%", 3000, 0, 3000, "u16", "R",
          "反向输出转矩的上限，以电机额定转矩为100.0%。\n实际限制值不超过电机最大转矩。")
    g.add("转矩模式速度限制", "rpm", 3000, 0, 5000, "u16", "R",
          "转矩控制时电机转速的上限（正反向相同）。\n空载或轻载运行时防止电机飞车。")
    g.add("转矩偏置", "0.1%", 0, -1000, 1000, "s16", "R",
          "叠加到转矩指令上的固定偏置，用于补偿垂直轴的重力负载。\n正值为正方向转矩。")

    g = group(6, "输入输出", "io")
    di_functions = opts(
        "无功能", "伺服使能", "报警复位", "增益切换", "控制模式切换", "正向超程",
        "反向超程", "正向点动", "反向点动", "多段速度选择1", "多段速度选择2",
        "偏差计数器清零", "脉冲输入禁止", "紧急停止")
    for n, func in enumerate((1, 2, 5, 6, 11), start=1):
        g.select("DI%d端子功能" % n, func, "RS",
                 "设定DI%d端子的功能，同一功能不能分配给多个端子。" % n,
                 di_functions)
    do_functions = opts("无功能", "伺服准备好", "故障输出", "告警输出", "定位完成",
                        "零速", "抱闸输出", "转矩限制中")
    for n, func in enumerate((1, 2, 4), start=1):
        g.select("DO%d端子功能" % n, func, "RS",
                 "设定DO%d端子输出的信号。" % n, do_functions)
    g.add("AI1零点偏置", "mV", 0, -5000, 5000, "s16", "R",
          "AI1输入电压减去此值后作为有效输入。\n用于消除模拟量零漂。")
    g.add("AI1输入滤波时间常数", "0.01ms", 200, 0, 65535, "u16", "R",
          "AI1输入的一阶低通滤波时间常数。\n模拟量指令噪声较大时适当增大。")
    g.add("模拟量速度指令增益", "rpm", 3000, 0, 5000, "u16", "R",
          "AI1输入10V时对应的速度指令。\n负电压对应反向速度。")
    g.add("模拟量转矩指令增益", "0.1%", 1000, 0, 3000, "u16", "R",
          "AI1输入10V时对应的转矩指令。\n以电机额定转矩为100.0%。")

    g = group(7, "通信", "comm")
    g.add("RS485站号", "", 1, 1, 247, "u16", "T",
          "Modbus RTU通信的从站地址。\n同一总线上的站号不能重复。")
    g.select("RS485波特率", 4, "TP",
             "RS485通信的波特率，须与上位机一致。",
             opts("9600bps", "19200bps", "38400bps", "57600bps", "115200bps"))
    g.select("RS485数据格式", 1, "TP",
             "RS485通信的校验方式与停止位，须与上位机一致。", DATA_FORMATS)
    g.add("通信超时时间", "ms", 0, 0, 60000, "u16", "T",
          "超过此时间未收到有效报文时报通信超时。\n设为0时不检测。")
    g.select("通信写参数存储", 1, "T",
             "选择通信修改的参数是否写入EEPROM。\n频繁写参数时请选0，以免缩短EEPROM寿命。",
             opts("仅修改RAM（断电不保存）", "同时写入EEPROM"))

    g = group(8, "扩展功能", "ext")
    g.add("抱闸打开延时", "ms", 100, 0, 500, "u16", "R",
          "伺服使能后到接受指令前的等待时间，保证抱闸完全打开。\n应大于抱闸实际释放时间。")
    g.add("抱闸关闭后断电延时", "ms", 150, 50, 1000, "u16", "R",
          "电机静止时抱闸输出关闭到电机断电的时间。\n防止垂直轴在抱闸完全吸合前下滑。")
    g.select("再生电阻设置", 0, "T",
             "外置电阻的阻值不得小于驱动器允许的最小值。",
             opts("使用内置再生电阻", "使用外置再生电阻", "不使用再生电阻"))
    g.add("外置再生电阻功率", "W", 40, 0, 5000, "u16", "T",
          "外置再生电阻的额定功率。\n设定值与实际不符会导致再生过载误报或电阻过热。")
    g.add("外置再生电阻阻值", "Ω", 50, 1, 1000, "u16", "T",
          "外置再生电阻的阻值。\n应不小于驱动器允许的最小阻值。")

    g = group(9, "保护", "ext")
    g.add("超速故障阈值", "rpm", 0, 0, 6500, "u16", "R",
          "转速超过此值时报超速故障。\n设为0时取电机最高转速的1.2倍。")
    g.add("电机过载保护系数", "%", 100, 50, 300, "u16", "R",
          "调整电机过载保护的动作时间，100%为标准特性。\n增大会推迟保护，仅在电机散热条件良好时使用。")
    g.add("欠压保护阈值", "V", 200, 150, 260, "u16", "T",
          "直流母线电压低于此值时报欠电压。\n适用于220V等级驱动器。")
    g.select("输入缺相检测", 0, "T",
             "三相输入时主电源缺相的处理方式。",
             opts("检测并报故障", "不检测"))
    g.add("过载预警阈值", "%", 80, 10, 100, "u16", "R",
          "电机负载率达到此值时输出过载预警。\n不影响过载故障的检测。")

    g = group(10, "辅助功能", "ext")
    g.select("参数初始化", 0, "T",
             "执行后本参数自动恢复为0，重新上电后生效。",
             opts("无操作", "恢复出厂设定"))
    g.select("故障记录清除", 0, "T",
             "清除故障记录。\n执行后本参数自动恢复为0。",
             opts("无操作", "清除故障记录"))
    g.add("DSP软件版本", "", 100, 0, 65535, "u16", "O",
          "主控软件版本，如100表示V1.00。\n升级固件后自动更新。")
    g.add("驱动器额定功率", "W", 200, 0, 65535, "u16", "O",
          "驱动器的额定输出功率。\n所配电机功率一般不应超过此值。")

    m = Monitor
    monitors = [
        m("U0-01", "电机转速", "rpm", "int16", "dec"),
        m("U0-02", "母线电压", "V", "uint16", "1dot"),
        m("U0-03", "DI/DO状态", "", "uint16", "io", bit_names(("DI", 4), ("DO", 4))),
        m("U0-04", "当前故障/告警码", "", "uint16", "alm"),
    ] + device_info_monitors(["hex", "hex", "hex", "2dot", "2dot", "3dot", "dec", "bin"])

    fault_codes = [101, 102, 110, 112, 113, 114, 116, 118, 119, 121, 123, 125,
                   126, 131, 136, 139, 901, 905, 906, 909]

    c = Channel
    channels = [
        c("spd_fb", "速度反馈", "int16", "1", "rpm"),
        c("spd_cmd", "速度指令", "int16", "1", "rpm"),
        c("trq_cmd", "转矩指令", "int16", "0.1", "%"),
        c("trq_fb", "转矩反馈", "int16", "0.1", "%"),
        c("pos_err", "位置偏差", "int16", "1", "pulse"),
        c("pos_cmd_spd", "位置指令速度", "int16", "1", "rpm"),
        c("vbus", "母线电压", "uint16", "0.1", "V"),
        c("iq", "q轴电流", "int16", "0.01", "A"),
    ]
    wave_sets = {
        "Def": (["spd_fb", "spd_cmd", "trq_cmd", "trq_fb"], ["1000", "1000", "50", "50"]),
        "Pos": (["pos_cmd_spd", "spd_fb", "pos_err", "trq_cmd"], ["1000", "1000", "10", "50"]),
        "Spd": (["spd_cmd", "spd_fb", "trq_cmd", "trq_fb"], ["1000", "1000", "50", "50"]),
        "Toq": (["trq_cmd", "trq_fb", "spd_fb", "iq"], ["50", "50", "1000", "1"]),
    }
    minimums = {"params": 60, "groups": 8, "monitors": 20, "faults": 20, "channels": 8}
    return Model("VMR-B2", "Parameter_B2.xml", "V1.0", groups, monitors,
                 faults(fault_codes), channels, wave_sets, minimums)


# --- Source checks (things the XML no longer shows) ---------------------------

def check_source(model):
    errors = []
    for p in model.params():
        if not p.options:
            continue
        values = [v for v, _ in p.options]
        if values != sorted(set(values)):
            errors.append("%s: option values not strictly ascending" % p.code)
        if p.lo != values[0] or p.hi != values[-1]:
            errors.append("%s: limits %d..%d do not match options %d..%d"
                          % (p.code, p.lo, p.hi, values[0], values[-1]))
        if p.default not in values:
            errors.append("%s: default %d is not one of the options" % (p.code, p.default))
    return errors


# --- Writing -----------------------------------------------------------------

def build_xml(model, lang):
    out = ['<?xml version="1.0" encoding="UTF-8"?>', '<Root Version="1.0">']

    def leaf(depth, tag, text):
        out.append("%s<%s>%s</%s>" % ("  " * depth, tag, escape(str(text)), tag))

    leaf(1, "FuncCodeVersion", model.version)
    leaf(1, "DriveStates", named_list(DRIVE_STATES, lang))

    out.append("  <ParameterGroups>")
    for g in model.groups:
        if g.params:
            leaf(2, "ParameterGrpMember", "P%02d %s" % (g.number, pick(g.title, lang)))
    out.append("  </ParameterGroups>")

    out.append("  <Parameters>")
    for p in model.params():
        out.append("    <Parameter>")
        leaf(3, "ParameterIndex", "P%02d_%02d" % (p.group, p.index))
        leaf(3, "ParameterType", pick(p.kind, lang))
        leaf(3, "parametername", pick(p.name, lang))
        leaf(3, "DefaultValue", p.default)
        leaf(3, "MinValue", p.lo)
        leaf(3, "MaxValue", p.hi)
        leaf(3, "ActiveTime", pick(ACTIVE[p.active], lang))
        leaf(3, "ModifyTime", pick(MODIFY[p.modify], lang))
        leaf(3, "DataWidth", p.width)
        leaf(3, "DataSign", p.sign)
        leaf(3, "Uint", pick(p.unit, lang))
        leaf(3, "Detial", p.detail_text(lang))
        out.append("    </Parameter>")
    out.append("  </Parameters>")

    out.append("  <UnDisplay>")
    for mon in model.monitors:
        out.append("    <UnDisplayItem>")
        leaf(3, "UnDisplayIndex", mon.code)
        leaf(3, "UnDisplayType", pick(MONITOR_TYPES[mon.group], lang))
        leaf(3, "UnDisplayName", pick(mon.name, lang))
        leaf(3, "UnDisplayUnit", pick(mon.unit, lang))
        leaf(3, "UnDisplayVarType", mon.var_type)
        leaf(3, "UnDisplayFormat", mon.fmt)
        if mon.bits:
            leaf(3, "UnDisplayBits", named_list(mon.bits, lang))
        out.append("    </UnDisplayItem>")
    out.append("  </UnDisplay>")

    out.append("  <FaultWarm>")
    for f in model.faults:
        out.append("    <FaultWarmItem>")
        leaf(3, "FaultWarmCode", f.code)
        leaf(3, "FaultWarmType", pick(FAULT_TYPES[f.kind], lang))
        leaf(3, "FaultWarmName", pick(f.name, lang))
        leaf(3, "FaultWarmContext", pick(f.causes, lang))
        leaf(3, "FaultWarmExclude", pick(f.remedies, lang))
        leaf(3, "FaultWarmRecord", pick(FAULT_RECORD[f.record], lang))
        leaf(3, "FaultWarmClear", pick(FAULT_CLEAR[f.clear], lang))
        leaf(3, "FaultWarmOperate", FAULT_OPERATE[f.kind])
        out.append("    </FaultWarmItem>")
    out.append("  </FaultWarm>")

    out.append("  <WaveformChannelSel>")
    for pos, ch in enumerate(model.channels):
        out.append("    <WaveformChannelItem>")
        leaf(3, "WaveChIndex", pos)
        leaf(3, "WaveChName", pick(ch.name, lang))
        leaf(3, "WaveUnVarType", ch.var_type)
        leaf(3, "WaveUnit", ch.unit)
        leaf(3, "WaveCoeff", ch.coeff)
        out.append("    </WaveformChannelItem>")
    for kind in ("Def", "Pos", "Spd", "Toq"):
        keys, _ = model.wave_sets[kind]
        leaf(2, "WaveformChannel" + kind,
             ",".join(str(model.channel_position(k)) for k in keys))
    for kind in ("Def", "Pos", "Spd", "Toq"):
        _, scales = model.wave_sets[kind]
        leaf(2, "WaveformScale" + kind, ",".join(scales))
    out.append("  </WaveformChannelSel>")

    out.append("</Root>")
    return "\n".join(out) + "\n"


# --- Checking the written text ------------------------------------------------

PARAM_FIELDS = ["ParameterIndex", "ParameterType", "parametername", "DefaultValue",
                "MinValue", "MaxValue", "ActiveTime", "ModifyTime", "DataWidth",
                "DataSign", "Uint", "Detial"]
MONITOR_FIELDS = ["UnDisplayIndex", "UnDisplayType", "UnDisplayName", "UnDisplayUnit",
                  "UnDisplayVarType", "UnDisplayFormat"]
FAULT_FIELDS = ["FaultWarmCode", "FaultWarmType", "FaultWarmName", "FaultWarmContext",
                "FaultWarmExclude", "FaultWarmRecord", "FaultWarmClear",
                "FaultWarmOperate"]
CHANNEL_FIELDS = ["WaveChIndex", "WaveChName", "WaveUnVarType", "WaveUnit", "WaveCoeff"]
WAVE_SETTINGS = ["WaveformChannel" + k for k in ("Def", "Pos", "Spd", "Toq")] + \
                ["WaveformScale" + k for k in ("Def", "Pos", "Spd", "Toq")]

INTEGER = re.compile(r"^-?(0|[1-9][0-9]*)$")
PARAM_INDEX = re.compile(r"^P([0-9]{2})_([0-9]{2})$")
GROUP_MEMBER = re.compile(r"^P([0-9]{2}) (\S.*)$")
MONITOR_INDEX = re.compile(r"^U([0-2])-([0-9]{2})$")
FAULT_CODE = re.compile(r"^[1-9][0-9]*$")
COEFF = re.compile(r"^(0|[1-9][0-9]*)(\.[0-9]+)?$")
PARAM_REF = re.compile(r"P([0-9]{2})-([0-9]{2})")
MONITOR_REF = re.compile(r"U[0-2]-[0-9]{2}")


def fields(elem, names, where, errors):
    """The leaf texts of `elem`, which must have exactly `names` as children."""
    tags = [child.tag for child in elem]
    if tags != names:
        errors.append("%s: children %s, expected %s" % (where, tags, names))
        return None
    values = {}
    for child in elem:
        if len(child):
            errors.append("%s: <%s> has child elements" % (where, child.tag))
        values[child.tag] = child.text or ""
    return values


def check_xml(model, lang, text):
    errors = []
    if not text.startswith('<?xml version="1.0" encoding="UTF-8"?>\n'):
        errors.append("declaration line is not the expected one")
    root = ET.fromstring(text.encode("utf-8"))
    if root.tag != "Root" or root.attrib != {"Version": "1.0"}:
        errors.append('root is not <Root Version="1.0">')
    top = ["FuncCodeVersion", "DriveStates", "ParameterGroups", "Parameters", "UnDisplay",
           "FaultWarm", "WaveformChannelSel"]
    if [c.tag for c in root] != top:
        errors.append("root children %s, expected %s" % ([c.tag for c in root], top))
        return errors
    version = root.find("FuncCodeVersion").text
    if version != model.version:
        errors.append("FuncCodeVersion %s, expected %s" % (version, model.version))
    sixteen_bit_protocol = version == "V1.0"

    # Groups.
    titles, group_numbers = set(), []
    for member in root.find("ParameterGroups"):
        match = GROUP_MEMBER.match(member.text or "")
        if member.tag != "ParameterGrpMember" or not match:
            errors.append("bad group entry %r" % member.text)
            continue
        number = int(match.group(1))
        if number > 20:
            errors.append("group P%02d is beyond P20" % number)
        if number in group_numbers:
            errors.append("group P%02d listed twice" % number)
        if match.group(2) in titles:
            errors.append("group title '%s' used twice" % match.group(2))
        group_numbers.append(number)
        titles.add(match.group(2))

    # Parameters.
    codes, used_groups = set(), set()
    params = root.find("Parameters").findall("*")
    for elem in params:
        where = "parameter %d" % len(codes)
        if elem.tag != "Parameter":
            errors.append("<%s> inside <Parameters>" % elem.tag)
            continue
        v = fields(elem, PARAM_FIELDS, where, errors)
        if v is None:
            continue
        match = PARAM_INDEX.match(v["ParameterIndex"])
        if not match:
            errors.append("%s: bad index %r" % (where, v["ParameterIndex"]))
            continue
        where = v["ParameterIndex"]
        if where in codes:
            errors.append("%s: duplicate code" % where)
        codes.add(where)
        group = int(match.group(1))
        used_groups.add(group)
        if group > 20:
            errors.append("%s: group beyond P20" % where)
        for key in ("ParameterType", "parametername"):
            if not v[key].strip():
                errors.append("%s: empty %s" % (where, key))
        if not all(INTEGER.match(v[k]) for k in ("DefaultValue", "MinValue", "MaxValue")):
            errors.append("%s: default/min/max not decimal integers" % where)
            continue
        dflt, lo, hi = (int(v[k]) for k in ("DefaultValue", "MinValue", "MaxValue"))
        if lo > hi:
            errors.append("%s: min %d > max %d" % (where, lo, hi))
        if not lo <= dflt <= hi:
            errors.append("%s: default %d outside [%d, %d]" % (where, dflt, lo, hi))
        limits = LIMITS.get((v["DataWidth"], v["DataSign"]))
        if limits is None:
            errors.append("%s: bad width/sign %s/%s" % (where, v["DataWidth"], v["DataSign"]))
        elif not all(limits[0] <= x <= limits[1] for x in (dflt, lo, hi)):
            errors.append("%s: a value does not fit %s %s" % (where, v["DataWidth"], v["DataSign"]))
        if sixteen_bit_protocol:
            if v["DataWidth"] != "16bit":
                errors.append("%s: 16-bit protocol but DataWidth %s" % (where, v["DataWidth"]))
            if (v["DataSign"] == "signed") != ("-" in v["MinValue"]):
                errors.append("%s: 16-bit protocol reads the sign from MinValue, "
                              "which disagrees with DataSign %s" % (where, v["DataSign"]))
        if v["ActiveTime"] not in [pick(x, lang) for x in ACTIVE.values()]:
            errors.append("%s: bad ActiveTime %r" % (where, v["ActiveTime"]))
        if v["ModifyTime"] not in [pick(x, lang) for x in MODIFY.values()]:
            errors.append("%s: bad ModifyTime %r" % (where, v["ModifyTime"]))
        lines = v["Detial"].split("\n")
        if not DETAIL_MIN_LINES <= len(lines) <= DETAIL_MAX_LINES or \
                any(not line.strip() for line in lines):
            errors.append("%s: description has %d lines (or an empty one)" % (where, len(lines)))
    if set(group_numbers) != used_groups:
        errors.append("groups listed %s but parameters use %s"
                      % (sorted(group_numbers), sorted(used_groups)))
    if sorted(group_numbers) != group_numbers:
        errors.append("groups not listed in order")

    # Monitors.
    monitor_codes, formats_used = {}, []
    for elem in root.find("UnDisplay"):
        names = MONITOR_FIELDS + ["UnDisplayBits"] * (elem.find("UnDisplayBits") is not None)
        v = fields(elem, names, "monitor %d" % len(monitor_codes), errors)
        if elem.tag != "UnDisplayItem" or v is None:
            continue
        code = v["UnDisplayIndex"]
        if not MONITOR_INDEX.match(code):
            errors.append("monitor %r: bad index" % code)
        if code in monitor_codes:
            errors.append("monitor %s: duplicate code" % code)
        monitor_codes[code] = v
        if not v["UnDisplayName"].strip():
            errors.append("monitor %s: empty name" % code)
        if v["UnDisplayVarType"] not in VAR_TYPES:
            errors.append("monitor %s: bad var type %r" % (code, v["UnDisplayVarType"]))
        if v["UnDisplayFormat"] not in FORMATS:
            errors.append("monitor %s: format %r not allowed" % (code, v["UnDisplayFormat"]))
        formats_used.append(v["UnDisplayFormat"])
    missing = [f for f in FORMATS if f not in formats_used]
    if missing:
        errors.append("display formats never used: %s" % missing)
    if formats_used.count("DISP_AS_ALM") != 1:
        errors.append("%d monitors use DISP_AS_ALM; the fault code alone should"
                      % formats_used.count("DISP_AS_ALM"))
    info = sorted(c for c in monitor_codes if c.startswith("U2-"))
    if info != ["U2-%02d" % i for i in range(1, 17)]:
        errors.append("U2 holds %s, expected U2-01..U2-16" % info)
    else:
        for i, name in enumerate(DEVICE_INFO_NAMES):
            v = monitor_codes["U2-%02d" % (i + 1)]
            if v["UnDisplayName"] != pick(name, lang):
                errors.append("U2-%02d named %r, expected %r"
                              % (i + 1, v["UnDisplayName"], pick(name, lang)))
            if i >= 8 and (v["UnDisplayVarType"], v["UnDisplayFormat"]) != ("uint16", "DISP_AS_HEX"):
                errors.append("U2-%02d: serial number words are uint16 shown as hex" % (i + 1))

    # Faults.
    fault_codes = set()
    fault_type_text = {pick(FAULT_TYPES[k], lang): k for k in FAULT_TYPES}
    for elem in root.find("FaultWarm"):
        v = fields(elem, FAULT_FIELDS, "fault %d" % len(fault_codes), errors)
        if elem.tag != "FaultWarmItem" or v is None:
            continue
        code = v["FaultWarmCode"]
        if not FAULT_CODE.match(code) or int(code) > 32767:
            errors.append("fault code %r is not a decimal in 1..32767" % code)
        if code in fault_codes:
            errors.append("fault %s: duplicate code" % code)
        fault_codes.add(code)
        kind = fault_type_text.get(v["FaultWarmType"])
        if kind is None:
            errors.append("fault %s: bad type %r" % (code, v["FaultWarmType"]))
        elif v["FaultWarmOperate"] != FAULT_OPERATE[kind]:
            errors.append("fault %s: a %s must have operate %s"
                          % (code, v["FaultWarmType"], FAULT_OPERATE[kind]))
        if v["FaultWarmRecord"] not in [pick(x, lang) for x in FAULT_RECORD.values()]:
            errors.append("fault %s: bad record text" % code)
        if v["FaultWarmClear"] not in [pick(x, lang) for x in FAULT_CLEAR.values()]:
            errors.append("fault %s: bad clear text" % code)
        for key in ("FaultWarmName", "FaultWarmContext", "FaultWarmExclude"):
            if not v[key].strip():
                errors.append("fault %s: empty %s" % (code, key))

    # Waveform channels and default selections.
    sel = root.find("WaveformChannelSel")
    items = [e for e in sel if e.tag == "WaveformChannelItem"]
    settings = [e for e in sel if e.tag != "WaveformChannelItem"]
    if [e.tag for e in sel] != ["WaveformChannelItem"] * len(items) + WAVE_SETTINGS:
        errors.append("WaveformChannelSel children out of order")
    names = set()
    for pos, elem in enumerate(items):
        v = fields(elem, CHANNEL_FIELDS, "channel %d" % pos, errors)
        if v is None:
            continue
        if v["WaveChIndex"] != str(pos):
            errors.append("channel %d: WaveChIndex %r, positions must run from 0"
                          % (pos, v["WaveChIndex"]))
        if v["WaveChName"] in names:
            errors.append("channel %d: name '%s' used twice" % (pos, v["WaveChName"]))
        names.add(v["WaveChName"])
        if v["WaveUnVarType"] not in VAR_TYPES:
            errors.append("channel %d: bad var type" % pos)
        if not COEFF.match(v["WaveCoeff"]) or float(v["WaveCoeff"]) <= 0:
            errors.append("channel %d: bad coefficient %r" % (pos, v["WaveCoeff"]))
    for elem in settings:
        parts = (elem.text or "").split(",")
        if len(parts) != 4:
            errors.append("%s: %d entries, expected 4" % (elem.tag, len(parts)))
        if elem.tag.startswith("WaveformChannel"):
            if not all(re.match(r"^[0-9]+$", p) and int(p) < len(items) for p in parts):
                errors.append("%s: %r names a channel position that does not exist"
                              % (elem.tag, elem.text))
            elif len(set(parts)) != len(parts):
                errors.append("%s: a channel chosen twice" % elem.tag)
        elif not all(p in SCALES for p in parts):
            errors.append("%s: %r holds a scale outside the allowed list" % (elem.tag, elem.text))

    # Cross references in descriptions.
    for elem in params:
        desc = elem.findtext("Detial") or ""
        for g, i in PARAM_REF.findall(desc):
            if "P%s_%s" % (g, i) not in codes:
                errors.append("%s: description refers to P%s-%s, which does not exist"
                              % (elem.findtext("ParameterIndex"), g, i))
        for ref in MONITOR_REF.findall(desc):
            if ref not in monitor_codes:
                errors.append("%s: description refers to %s, which does not exist"
                              % (elem.findtext("ParameterIndex"), ref))

    # Counts.
    counts = {"params": len(codes), "groups": len(group_numbers),
              "monitors": len(monitor_codes), "faults": len(fault_codes),
              "channels": len(items)}
    for key, least in model.minimums.items():
        if counts[key] < least:
            errors.append("%d %s, at least %d needed" % (counts[key], key, least))
    return errors, counts


def main():
    try:
        models = [model_a(), model_b()]
    except DataError as exc:
        print("definition tables: %s" % exc, file=sys.stderr)
        return 1
    results, failed = [], False
    for model in models:
        source_errors = check_source(model)
        for prefix, lang in LANGUAGES.items():
            path = os.path.join(HERE, "%s_%s" % (prefix, model.file_name))
            try:
                text = build_xml(model, lang)
                errors, counts = check_xml(model, lang, text)
                if lang != "zh":
                    for found in re.findall(r".{0,20}[\u3000-\u9fff\uff00-\uffef].{0,20}", text):
                        errors.append("Chinese text left in the %s file: %r" % (lang, found))
            except (DataError, KeyError, ET.ParseError) as exc:
                errors, counts = [str(exc)], {}
            errors = source_errors + errors
            if errors:
                failed = True
                for e in errors:
                    print("%s: %s" % (os.path.basename(path), e), file=sys.stderr)
            else:
                results.append((path, text, counts))
    for lang, texts in MISSING.items():
        failed = True
        unique = list(dict.fromkeys(texts))
        print("%d texts have no '%s' translation (listed in missing_%s.txt)" % (len(unique), lang, lang),
              file=sys.stderr)
        with open(os.path.join(HERE, "missing_%s.txt" % lang), "w", encoding="utf-8") as f:
            f.write("".join(t.replace("\n", "\\n") + "\n" for t in unique))
    if failed:
        print("nothing written", file=sys.stderr)
        return 1
    for path, text, counts in results:
        with open(path, "w", encoding="utf-8", newline="\n") as f:
            f.write(text)
        print("%s: %d parameters in %d groups, %d monitors, %d faults/alarms, "
              "%d waveform channels" % (os.path.basename(path), counts["params"],
                                        counts["groups"], counts["monitors"],
                                        counts["faults"], counts["channels"]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
