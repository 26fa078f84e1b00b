<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>ConnectData</name>
    <message>
        <source>串口数据</source>
        <translation>Serial Data</translation>
    </message>
    <message>
        <source>保存失败</source>
        <translation>Save failed</translation>
    </message>
    <message>
        <source>无法保存文件 %1：%2</source>
        <translation>Cannot save file %1: %2</translation>
    </message>
    <message>
        <source>开始</source>
        <translation>Begin</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>清空</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>保存通信数据</source>
        <translation>Save Traffic Log</translation>
    </message>
    <message>
        <source>文本文件 (*.txt)</source>
        <translation>Text files (*.txt)</translation>
    </message>
</context>
<context>
    <name>ConnectionSetup</name>
    <message>
        <source>连接设置</source>
        <translation>Connection Settings</translation>
    </message>
    <message>
        <source>TCP/IP</source>
        <translation>TCP/IP</translation>
    </message>
    <message>
        <source>[ms]</source>
        <translation>[ms]</translation>
    </message>
    <message>
        <source>串口</source>
        <translation>Serial Port</translation>
    </message>
    <message>
        <source>串口设置</source>
        <translation>Serial Settings</translation>
    </message>
    <message>
        <source>端口</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>波特率</source>
        <translation>Baud Rate</translation>
    </message>
    <message>
        <source>数据位</source>
        <translation>Data Bits</translation>
    </message>
    <message>
        <source>5 位</source>
        <translation>5 bits</translation>
    </message>
    <message>
        <source>6 位</source>
        <translation>6 bits</translation>
    </message>
    <message>
        <source>7 位</source>
        <translation>7 bits</translation>
    </message>
    <message>
        <source>8 位</source>
        <translation>8 bits</translation>
    </message>
    <message>
        <source>校验</source>
        <translation>Parity</translation>
    </message>
    <message>
        <source>无校验</source>
        <translation>None</translation>
    </message>
    <message>
        <source>偶校验</source>
        <translation>Even</translation>
    </message>
    <message>
        <source>奇校验</source>
        <translation>Odd</translation>
    </message>
    <message>
        <source>停止位</source>
        <translation>Stop Bits</translation>
    </message>
    <message>
        <source>1 位</source>
        <translation>1 bit</translation>
    </message>
    <message>
        <source>1.5 位</source>
        <translation>1.5 bits</translation>
    </message>
    <message>
        <source>2 位</source>
        <translation>2 bits</translation>
    </message>
    <message>
        <source>轮询</source>
        <translation>Polling</translation>
    </message>
    <message>
        <source>地址</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>扫描周期</source>
        <translation>Scan Rate</translation>
    </message>
    <message>
        <source>应答超时</source>
        <translation>Response Timeout</translation>
    </message>
    <message>
        <source>轮询间隔</source>
        <translation>Delay Between Polls</translation>
    </message>
    <message>
        <source>串口调试</source>
        <translation>Serial Debug</translation>
    </message>
    <message>
        <source>TCP/IP 设置</source>
        <translation>TCP/IP Settings</translation>
    </message>
    <message>
        <source>IP 地址</source>
        <translation>IP Address</translation>
    </message>
    <message>
        <source>连接超时</source>
        <translation>Connect Timeout</translation>
    </message>
</context>
<context>
    <name>EnumText</name>
    <message>
        <source>%1（%2）</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
</context>
<context>
    <name>HelpWindow</name>
    <message>
        <source>帮助</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>后退</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>目录</source>
        <translation>Contents</translation>
    </message>
</context>
<context>
    <name>LangSelDialog</name>
    <message>
        <source>语言选择 / Language</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>当前语言 / Current language</source>
        <translation>Current language</translation>
    </message>
    <message>
        <source>当前语言代码 / Language code:</source>
        <translation>Language code:</translation>
    </message>
    <message>
        <source>使用当前语言 / Use current language</source>
        <translation>Use current language</translation>
    </message>
    <message>
        <source>选择语言 / Choose a language</source>
        <translation>Choose a language</translation>
    </message>
    <message>
        <source>使用所选语言 / Use selected language</source>
        <translation>Use selected language</translation>
    </message>
    <message>
        <source>当前语言代码 / Language code: (%1)</source>
        <translation>Language code: (%1)</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Vemar伺服上位机调试平台</source>
        <translation>Vemar Servo Commissioning Tool</translation>
    </message>
    <message>
        <source>端口：</source>
        <translation>Port:</translation>
    </message>
    <message>
        <source>连接设备</source>
        <translation>Connect</translation>
    </message>
    <message>
        <source>通信断开</source>
        <translation>Disconnected</translation>
    </message>
    <message>
        <source>型号：无</source>
        <translation>Model: None</translation>
    </message>
    <message>
        <source>版本号：无</source>
        <translation>Version: None</translation>
    </message>
    <message>
        <source>计数清零</source>
        <translation>Reset Counters</translation>
    </message>
    <message>
        <source>通信数据</source>
        <translation>Comm. Data</translation>
    </message>
    <message>
        <source>语言 Language</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>参数管理</source>
        <translation>Parameters</translation>
    </message>
    <message>
        <source>监控变量</source>
        <translation>Monitoring</translation>
    </message>
    <message>
        <source>手动运行</source>
        <translation>Manual Run</translation>
    </message>
    <message>
        <source>波形显示</source>
        <translation>Waveform</translation>
    </message>
    <message>
        <source>故障报警</source>
        <translation>Faults &amp; Alarms</translation>
    </message>
    <message>
        <source>读取全部参数</source>
        <translation>Read All</translation>
    </message>
    <message>
        <source>读取勾选参数</source>
        <translation>Read Checked</translation>
    </message>
    <message>
        <source>下载勾选参数</source>
        <translation>Write Checked</translation>
    </message>
    <message>
        <source>导出参数文件</source>
        <translation>Export File</translation>
    </message>
    <message>
        <source>导入参数文件</source>
        <translation>Import File</translation>
    </message>
    <message>
        <source>机型参数比较</source>
        <translation>Compare to Model</translation>
    </message>
    <message>
        <source>参数组</source>
        <translation>Parameter Group</translation>
    </message>
    <message>
        <source>选择</source>
        <translation>Select</translation>
    </message>
    <message>
        <source>功能码</source>
        <translation>Code</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>生效时间</source>
        <translation>Takes Effect</translation>
    </message>
    <message>
        <source>设定方式</source>
        <translation>Settable</translation>
    </message>
    <message>
        <source>PST</source>
        <translation>PST</translation>
    </message>
    <message>
        <source>当前值</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>单位</source>
        <translation>Unit</translation>
    </message>
    <message>
        <source>修改记录</source>
        <translation>Changes</translation>
    </message>
    <message>
        <source>查询一次</source>
        <translation>Query Once</translation>
    </message>
    <message>
        <source>定时查询</source>
        <translation>Periodic Query</translation>
    </message>
    <message>
        <source>查询周期：</source>
        <translation>Query period:</translation>
    </message>
    <message>
        <source> ms</source>
        <translation> ms</translation>
    </message>
    <message>
        <source>代码</source>
        <translation>Code</translation>
    </message>
    <message>
        <source>数值</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>伺服控制</source>
        <translation>Servo Control</translation>
    </message>
    <message>
        <source>伺服使能</source>
        <translation>Servo ON</translation>
    </message>
    <message>
        <source>伺服关闭</source>
        <translation>Servo OFF</translation>
    </message>
    <message>
        <source>读取状态</source>
        <translation>Read Status</translation>
    </message>
    <message>
        <source>驱动器状态：</source>
        <translation>Drive status:</translation>
    </message>
    <message>
        <source>控制模式：</source>
        <translation>Control mode:</translation>
    </message>
    <message>
        <source>位置反馈：</source>
        <translation>Position feedback:</translation>
    </message>
    <message>
        <source>pulse</source>
        <translation>pulse</translation>
    </message>
    <message>
        <source>JOG运行</source>
        <translation>Jog</translation>
    </message>
    <message>
        <source>JOG速度(rpm)：</source>
        <translation>Jog speed (rpm):</translation>
    </message>
    <message>
        <source>100</source>
        <translation>100</translation>
    </message>
    <message>
        <source>◀ 反转</source>
        <translation>◀ Reverse</translation>
    </message>
    <message>
        <source>正转 ▶</source>
        <translation>Forward ▶</translation>
    </message>
    <message>
        <source>报警信息</source>
        <translation>Alarm Info</translation>
    </message>
    <message>
        <source>报警代码：</source>
        <translation>Alarm code:</translation>
    </message>
    <message>
        <source>位置</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>识别行程：</source>
        <translation>Identification travel:</translation>
    </message>
    <message>
        <source>位置范围：</source>
        <translation>Position range:</translation>
    </message>
    <message>
        <source>惯量识别</source>
        <translation>Inertia Identification</translation>
    </message>
    <message>
        <source>最高转速(rpm)：</source>
        <translation>Max. speed (rpm):</translation>
    </message>
    <message>
        <source>1000</source>
        <translation>1000</translation>
    </message>
    <message>
        <source>移动圈数：</source>
        <translation>Revolutions:</translation>
    </message>
    <message>
        <source>2</source>
        <translation>2</translation>
    </message>
    <message>
        <source>运动方式：</source>
        <translation>Motion pattern:</translation>
    </message>
    <message>
        <source>正反往复</source>
        <translation>Forward/reverse</translation>
    </message>
    <message>
        <source>单向正转</source>
        <translation>Forward only</translation>
    </message>
    <message>
        <source>单向反转</source>
        <translation>Reverse only</translation>
    </message>
    <message>
        <source>开始识别</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>下一步 ▶</source>
        <translation>Next ▶</translation>
    </message>
    <message>
        <source>识别项目</source>
        <translation>Item</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>◀ 返回</source>
        <translation>◀ Back</translation>
    </message>
    <message>
        <source>参数测量</source>
        <translation>Measure</translation>
    </message>
    <message>
        <source>各刚性等级测量结果：</source>
        <translation>Results per stiffness level:</translation>
    </message>
    <message>
        <source>刚性等级</source>
        <translation>Stiffness Level</translation>
    </message>
    <message>
        <source>位置环增益</source>
        <translation>Position Loop Gain</translation>
    </message>
    <message>
        <source>速度环增益</source>
        <translation>Speed Loop Gain</translation>
    </message>
    <message>
        <source>速度积分时间</source>
        <translation>Speed Integral Time</translation>
    </message>
    <message>
        <source>转矩滤波</source>
        <translation>Torque Filter</translation>
    </message>
    <message>
        <source>超调量</source>
        <translation>Overshoot</translation>
    </message>
    <message>
        <source>整定时间</source>
        <translation>Settling Time</translation>
    </message>
    <message>
        <source>振动幅值</source>
        <translation>Vibration Amplitude</translation>
    </message>
    <message>
        <source>等级</source>
        <translation>Level</translation>
    </message>
    <message>
        <source>推荐等级参数：</source>
        <translation>Recommended level parameters:</translation>
    </message>
    <message>
        <source>项目</source>
        <translation>Item</translation>
    </message>
    <message>
        <source>振动数据：</source>
        <translation>Vibration data:</translation>
    </message>
    <message>
        <source>通道设置</source>
        <translation>Channel Settings</translation>
    </message>
    <message>
        <source>通道</source>
        <translation>Channel</translation>
    </message>
    <message>
        <source>采样对象</source>
        <translation>Sampled Variable</translation>
    </message>
    <message>
        <source>比例 1:</source>
        <translation>Scale 1:</translation>
    </message>
    <message>
        <source>偏移</source>
        <translation>Offset</translation>
    </message>
    <message>
        <source>CH1</source>
        <translation>CH1</translation>
    </message>
    <message>
        <source>ON</source>
        <translation>ON</translation>
    </message>
    <message>
        <source>50</source>
        <translation>50</translation>
    </message>
    <message>
        <source>30</source>
        <translation>30</translation>
    </message>
    <message>
        <source>20</source>
        <translation>20</translation>
    </message>
    <message>
        <source>10</source>
        <translation>10</translation>
    </message>
    <message>
        <source>5</source>
        <translation>5</translation>
    </message>
    <message>
        <source>3</source>
        <translation>3</translation>
    </message>
    <message>
        <source>1</source>
        <translation>1</translation>
    </message>
    <message>
        <source>0.5</source>
        <translation>0.5</translation>
    </message>
    <message>
        <source>0.3</source>
        <translation>0.3</translation>
    </message>
    <message>
        <source>0.2</source>
        <translation>0.2</translation>
    </message>
    <message>
        <source>0.1</source>
        <translation>0.1</translation>
    </message>
    <message>
        <source>0.05</source>
        <translation>0.05</translation>
    </message>
    <message>
        <source>0.03</source>
        <translation>0.03</translation>
    </message>
    <message>
        <source>0.02</source>
        <translation>0.02</translation>
    </message>
    <message>
        <source>0.01</source>
        <translation>0.01</translation>
    </message>
    <message>
        <source>CH2</source>
        <translation>CH2</translation>
    </message>
    <message>
        <source>CH3</source>
        <translation>CH3</translation>
    </message>
    <message>
        <source>CH4</source>
        <translation>CH4</translation>
    </message>
    <message>
        <source>快速选择：</source>
        <translation>Quick select:</translation>
    </message>
    <message>
        <source>速度</source>
        <translation>Speed</translation>
    </message>
    <message>
        <source>转矩</source>
        <translation>Torque</translation>
    </message>
    <message>
        <source>开始采样</source>
        <translation>Start Sampling</translation>
    </message>
    <message>
        <source>缩放</source>
        <translation>Zoom</translation>
    </message>
    <message>
        <source>时间轴</source>
        <translation>Time axis</translation>
    </message>
    <message>
        <source>数值轴</source>
        <translation>Value axis</translation>
    </message>
    <message>
        <source>文件</source>
        <translation>File</translation>
    </message>
    <message>
        <source>保存波形</source>
        <translation>Save Waveform</translation>
    </message>
    <message>
        <source>另存为...</source>
        <translation>Save As...</translation>
    </message>
    <message>
        <source>截图...</source>
        <translation>Screenshot...</translation>
    </message>
    <message>
        <source>导入波形...</source>
        <translation>Import Waveform...</translation>
    </message>
    <message>
        <source>故障代码测试：</source>
        <translation>Fault code test:</translation>
    </message>
    <message>
        <source>故障原因：</source>
        <translation>Cause:</translation>
    </message>
    <message>
        <source>处理方法：</source>
        <translation>Remedy:</translation>
    </message>
    <message>
        <source>帮助</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>断开连接</source>
        <translation>Disconnect</translation>
    </message>
    <message>
        <source>F1</source>
        <translation>F1</translation>
    </message>
    <message>
        <source>None</source>
        <translation>None</translation>
    </message>
    <message>
        <source>关于...</source>
        <translation>About...</translation>
    </message>
    <message>
        <source>型号：</source>
        <translation>Model: </translation>
    </message>
    <message>
        <source>无</source>
        <translation>None</translation>
    </message>
    <message>
        <source>版本号：</source>
        <translation>Version: </translation>
    </message>
    <message>
        <source>语言切换完成！</source>
        <translation>Language switched!</translation>
    </message>
    <message>
        <source>报警代码：%1</source>
        <translation>Alarm code: %1</translation>
    </message>
    <message>
        <source>%1-%2&lt;br/&gt;【故障原因】%3&lt;br/&gt;【故障排除】%4</source>
        <translation>%1-%2&lt;br/&gt;[Cause] %3&lt;br/&gt;[Remedy] %4</translation>
    </message>
    <message>
        <source>报警代码：%1（%2）</source>
        <translation>Alarm code: %1 (%2)</translation>
    </message>
    <message>
        <source>未知型号，机型代码:%1</source>
        <translation>Unknown model, model code: %1</translation>
    </message>
    <message>
        <source>EEPROM版本不一致</source>
        <translation>EEPROM version mismatch</translation>
    </message>
    <message>
        <source>请点击恢复出厂设置</source>
        <translation>Please click Restore Factory Settings.</translation>
    </message>
    <message>
        <source>无法进行恢复出厂设置操作</source>
        <translation>Cannot restore factory settings</translation>
    </message>
    <message>
        <source>请确认机器是否处于运行中！</source>
        <translation>Please check whether the machine is running!</translation>
    </message>
    <message>
        <source>错误</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>通信未建立，请先连接设备！</source>
        <translation>Not connected. Please connect to the drive first!</translation>
    </message>
    <message>
        <source>通信正常</source>
        <translation>Link OK</translation>
    </message>
    <message>
        <source>通信超时</source>
        <translation>Link timeout</translation>
    </message>
    <message>
        <source>连接</source>
        <translation>Connection</translation>
    </message>
    <message>
        <source>参数组名称不正确！</source>
        <translation>Invalid parameter group name!</translation>
    </message>
    <message>
        <source>参数另存为</source>
        <translation>Save Parameters As</translation>
    </message>
    <message>
        <source>文件无法创建：%1
%2</source>
        <translation>Cannot create file: %1
%2</translation>
    </message>
    <message>
        <source>导出成功！</source>
        <translation>Export succeeded!</translation>
    </message>
    <message>
        <source>导出失败</source>
        <translation>Export failed</translation>
    </message>
    <message>
        <source>参数文件</source>
        <translation>Parameter File</translation>
    </message>
    <message>
        <source>当前文件机型版本信息</source>
        <translation>File Model and Version</translation>
    </message>
    <message>
        <source>机型名称:%1&lt;br/&gt;固件版本:%2</source>
        <translation>Model: %1&lt;br/&gt;Firmware version: %2</translation>
    </message>
    <message>
        <source>文件与当前机型不一致</source>
        <translation>File does not match the current model</translation>
    </message>
    <message>
        <source>参数导入完成</source>
        <translation>Parameter import complete</translation>
    </message>
    <message>
        <source>共有：%1个值被修改</source>
        <translation>%1 value(s) changed in total.</translation>
    </message>
    <message>
        <source>未发现改动的参数</source>
        <translation>No changed parameters found.</translation>
    </message>
    <message>
        <source>参数导入失败</source>
        <translation>Parameter import failed</translation>
    </message>
    <message>
        <source>参数值为空，参数不做修改</source>
        <translation>The parameter values are empty; no parameter was changed.</translation>
    </message>
    <message>
        <source>参数导入</source>
        <translation>Parameter Import</translation>
    </message>
    <message>
        <source>以下参数的文件值不是驱动器可以保存的数值，未载入：
%1</source>
        <translation>The following parameters were not loaded because their file values cannot be stored by the drive:
%1</translation>
    </message>
    <message>
        <source>参数比较完成</source>
        <translation>Parameter comparison complete</translation>
    </message>
    <message>
        <source>当前参数为：标准默认参数</source>
        <translation>Current parameters: standard defaults</translation>
    </message>
    <message>
        <source>全部参数</source>
        <translation>All Parameters</translation>
    </message>
    <message>
        <source>全部勾选</source>
        <translation>Check All</translation>
    </message>
    <message>
        <source>全部取消</source>
        <translation>Uncheck All</translation>
    </message>
    <message>
        <source>清除标记</source>
        <translation>Clear Marks</translation>
    </message>
    <message>
        <source>未选中要读取的参数</source>
        <translation>No parameters selected for reading</translation>
    </message>
    <message>
        <source>请先勾选要读取的参数！</source>
        <translation>Please check the parameters to read first!</translation>
    </message>
    <message>
        <source>参数读取成功</source>
        <translation>Parameters read successfully.</translation>
    </message>
    <message>
        <source>未选中要下载的参数</source>
        <translation>No parameters selected for writing</translation>
    </message>
    <message>
        <source>请先勾选要下载的参数！</source>
        <translation>Please check the parameters to write first!</translation>
    </message>
    <message>
        <source>参数设置结果</source>
        <translation>Parameter Write Result</translation>
    </message>
    <message>
        <source>识别中...</source>
        <translation>Identifying...</translation>
    </message>
    <message>
        <source>测量中...</source>
        <translation>Measuring...</translation>
    </message>
    <message>
        <source>负载惯量比(%)</source>
        <translation>Load inertia ratio (%)</translation>
    </message>
    <message>
        <source>摩擦转矩(%)</source>
        <translation>Friction torque (%)</translation>
    </message>
    <message>
        <source>粘滞系数</source>
        <translation>Viscous friction coefficient</translation>
    </message>
    <message>
        <source>最大转矩(%)</source>
        <translation>Max. torque (%)</translation>
    </message>
    <message>
        <source>识别误差(%)</source>
        <translation>Identification error (%)</translation>
    </message>
    <message>
        <source>设置异常</source>
        <translation>Invalid Setting</translation>
    </message>
    <message>
        <source>数值为空!</source>
        <translation>The value is empty!</translation>
    </message>
    <message>
        <source>低于下限值!</source>
        <translation>Below the lower limit!</translation>
    </message>
    <message>
        <source>参数错误，手动运行界面通信命令未发送！</source>
        <translation>Parameter error: the manual run command was not sent!</translation>
    </message>
    <message>
        <source>位置模式</source>
        <translation>Position mode</translation>
    </message>
    <message>
        <source>速度模式</source>
        <translation>Speed mode</translation>
    </message>
    <message>
        <source>转矩模式</source>
        <translation>Torque mode</translation>
    </message>
    <message>
        <source>模式%1</source>
        <translation>Mode %1</translation>
    </message>
    <message>
        <source>输入范围异常</source>
        <translation>Input Out of Range</translation>
    </message>
    <message>
        <source>惯量识别参数&quot;移动圈数&quot;或&quot;最高转速&quot;下限值异常！</source>
        <translation>Inertia identification: &quot;Revolutions&quot; or &quot;Max. speed&quot; is below its lower limit!</translation>
    </message>
    <message>
        <source>确定运行？</source>
        <translation>Start Running?</translation>
    </message>
    <message>
        <source>无法进行惯量识别</source>
        <translation>Cannot run inertia identification</translation>
    </message>
    <message>
        <source>原因：惯量识别仅在位置模式下有效！</source>
        <translation>Reason: inertia identification only works in position mode!</translation>
    </message>
    <message>
        <source>单位:秒</source>
        <translation>Unit: s</translation>
    </message>
    <message>
        <source>停止采样</source>
        <translation>Stop Sampling</translation>
    </message>
    <message>
        <source>无法保存</source>
        <translation>Cannot save</translation>
    </message>
    <message>
        <source>波形点数为0！</source>
        <translation>The waveform has 0 points!</translation>
    </message>
    <message>
        <source>不存在！</source>
        <translation>: does not exist!</translation>
    </message>
    <message>
        <source>数据保存结果</source>
        <translation>Save Result</translation>
    </message>
    <message>
        <source>保存失败！&lt;br/&gt;%1&lt;br/&gt;%2</source>
        <translation>Save failed!&lt;br/&gt;%1&lt;br/&gt;%2</translation>
    </message>
    <message>
        <source>保存成功！&lt;br/&gt;波形点数：%1&lt;br/&gt;保存到:%2</source>
        <translation>Saved!&lt;br/&gt;Waveform points: %1&lt;br/&gt;Saved to: %2</translation>
    </message>
    <message>
        <source>保存成功！&lt;br/&gt;波形点数：%1</source>
        <translation>Saved!&lt;br/&gt;Waveform points: %1</translation>
    </message>
    <message>
        <source>文件已存在</source>
        <translation>File Exists</translation>
    </message>
    <message>
        <source>是否覆盖?</source>
        <translation>Overwrite it?</translation>
    </message>
    <message>
        <source>截图结果</source>
        <translation>Screenshot</translation>
    </message>
    <message>
        <source>截图保存失败：%1&lt;br/&gt;%2</source>
        <translation>Failed to save the screenshot: %1&lt;br/&gt;%2</translation>
    </message>
    <message>
        <source>截图保存成功</source>
        <translation>Screenshot saved.</translation>
    </message>
    <message>
        <source>导入波形</source>
        <translation>Import Waveform</translation>
    </message>
    <message>
        <source>文件无法打开：%1</source>
        <translation>Cannot open file: %1</translation>
    </message>
    <message>
        <source>正在采样，请先停止采样再导入波形。</source>
        <translation>A capture is running. Stop it before importing a waveform.</translation>
    </message>
    <message>
        <source>不是普通文件（管道或设备），无法导入：&lt;br/&gt;%1</source>
        <translation>Not a regular file (a pipe or a device); it cannot be imported:&lt;br/&gt;%1</translation>
    </message>
    <message>
        <source>文件中没有有效的波形数据（%1行无法读取）</source>
        <translation>The file contains no valid waveform data (%1 line(s) could not be read).</translation>
    </message>
    <message>
        <source>文件中没有波形数据</source>
        <translation>The file contains no waveform data.</translation>
    </message>
    <message>
        <source>未命名通道</source>
        <translation>Unnamed Channel</translation>
    </message>
    <message>
        <source>ch %1: %2</source>
        <translation>ch %1: %2</translation>
    </message>
    <message>
        <source>波形数据异常</source>
        <translation>Waveform Data Error</translation>
    </message>
    <message>
        <source>通道%1点数为:%2, 期望点数:%3</source>
        <translation>Channel %1 has %2 points, expected: %3</translation>
    </message>
    <message>
        <source>%1行无法读取，已跳过%2</source>
        <translation>%1 line(s) could not be read and were skipped%2</translation>
    </message>
    <message>
        <source>；超出%1点的部分未导入</source>
        <translation>; points beyond %1 were not imported</translation>
    </message>
    <message>
        <source>导入完成</source>
        <translation>Import Complete</translation>
    </message>
    <message>
        <source>共导入%1通道，每通道%2点。</source>
        <translation>Imported %1 channel(s), %2 points per channel.</translation>
    </message>
    <message>
        <source>无法打开帮助文件：%1</source>
        <translation>Cannot open the help file: %1</translation>
    </message>
    <message>
        <source>驱动器没有确认伺服关闭，可能仍在通电运行！
请在驱动器上确认。</source>
        <translation>The drive did not confirm the servo off; it may still be energised!
Check it at the drive.</translation>
    </message>
    <message>
        <source>检查EEPROM版本</source>
        <translation>Check EEPROM Version</translation>
    </message>
    <message>
        <source>恢复出厂设置</source>
        <translation>Restore Factory Settings</translation>
    </message>
    <message>
        <source>语言</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>语言已切换，但无法保存到config.ini，下次启动时仍使用原来的语言。</source>
        <translation>The language was switched, but it could not be saved to config.ini: the next start uses the previous language.</translation>
    </message>
    <message>
        <source>Vemar伺服上位机调试平台%1</source>
        <translation>Vemar Servo Commissioning Tool %1</translation>
    </message>
    <message>
        <source>EEPROM版本一致</source>
        <translation>The EEPROM version matches the defaults.</translation>
    </message>
    <message>
        <source>已恢复出厂设置，正在重新读取参数</source>
        <translation>Factory settings restored, reading the parameters again</translation>
    </message>
    <message>
        <source>请先关闭伺服！</source>
        <translation>Please switch the servo off first!</translation>
    </message>
    <message>
        <source>参数传输进行中，请稍后再试！</source>
        <translation>A parameter transfer is in progress, please try again later!</translation>
    </message>
    <message>
        <source>驱动器的全部参数将恢复为出厂默认值，当前参数值将丢失。确定恢复出厂设置吗？</source>
        <translation>All parameters of the drive will be set back to their factory defaults, and their current values will be lost. Restore the factory settings?</translation>
    </message>
    <message>
        <source>驱动器没有应答。</source>
        <translation>The drive did not answer.</translation>
    </message>
    <message>
        <source>参数定义文件</source>
        <translation>Parameter definition file</translation>
    </message>
    <message>
        <source>伺服信息表中的参数定义文件名无效，未载入。</source>
        <translation>The servo information table names an invalid parameter definition file; it was not loaded.</translation>
    </message>
    <message>
        <source>文件名必须是ParameterFile文件夹中的文件，不能含路径分隔符或“..”。</source>
        <translation>The file name must name a file in the ParameterFile folder, without path separators or &quot;..&quot;.</translation>
    </message>
    <message>
        <source>机型：%1</source>
        <translation>Model: %1</translation>
    </message>
    <message>
        <source>文件名：%1</source>
        <translation>File name: %1</translation>
    </message>
    <message>
        <source>没有可导出的参数值，未写入文件。</source>
        <translation>There are no parameter values to export; no file was written.</translation>
    </message>
    <message>
        <source>请先从驱动器读取参数。</source>
        <translation>Please read the parameters from the drive first.</translation>
    </message>
    <message>
        <source>%1个参数没有读取到的值，未写入文件。</source>
        <translation>%1 parameter(s) have no value read and were not written to the file.</translation>
    </message>
    <message>
        <source>文件不完整（可能被截断）或格式有误，参数不做修改。</source>
        <translation>The file is incomplete (it may have been cut short) or malformed; no parameter was changed.</translation>
    </message>
    <message>
        <source>文件无法读取，参数不做修改。</source>
        <translation>The file cannot be read; no parameter was changed.</translation>
    </message>
    <message>
        <source>以下参数的文件值超出参数范围，已载入但未勾选，不会被下载：
%1</source>
        <translation>The file values of these parameters lie outside their limits; they were loaded but not checked and will not be downloaded:
%1</translation>
    </message>
    <message>
        <source>参数定义文件没有完整载入。</source>
        <translation>The parameter definition file was not loaded completely.</translation>
    </message>
    <message>
        <source>文件：%1</source>
        <translation>File: %1</translation>
    </message>
    <message>
        <source>文件不存在或无法读取。</source>
        <translation>The file does not exist or cannot be read.</translation>
    </message>
    <message>
        <source>读取在第%1行中断：%2</source>
        <translation>Reading stopped at line %1: %2</translation>
    </message>
    <message>
        <source>文件中没有Root元素。</source>
        <translation>The file has no Root element.</translation>
    </message>
    <message>
        <source>以下代码的组号或序号超出通信范围（0~255），未载入：%1</source>
        <translation>These codes have a group or index beyond the communication range (0 to 255) and were not loaded: %1</translation>
    </message>
    <message>
        <source>已载入：%1个参数，%2个监视量，%3个故障码。</source>
        <translation>Loaded: %1 parameters, %2 monitor variables, %3 fault codes.</translation>
    </message>
    <message>
        <source>下载中断</source>
        <translation>Download interrupted</translation>
    </message>
    <message>
        <source>下载参数时通信中断。</source>
        <translation>The communication ended while parameters were being downloaded.</translation>
    </message>
    <message>
        <source>以下参数的值可能已经写入驱动器：%1</source>
        <translation>The values of these parameters may already have been written to the drive: %1</translation>
    </message>
    <message>
        <source>是否在重新连接后从驱动器读回这些参数？</source>
        <translation>Read these parameters back from the drive after reconnecting?</translation>
    </message>
    <message>
        <source>参数差异比较</source>
        <translation>Parameter comparison</translation>
    </message>
    <message>
        <source>文件无法读取或不完整：%1</source>
        <translation>The file cannot be read or is incomplete: %1</translation>
    </message>
    <message>
        <source>驱动器</source>
        <translation>Drive</translation>
    </message>
    <message>
        <source>以下参数的文件值超出范围或不是数值，未写入：%1</source>
        <translation>The file values of these parameters are out of range or not numbers and were not written: %1</translation>
    </message>
    <message>
        <source>回读一致：%1个，回读不一致：%2个</source>
        <translation>Read back equal: %1, read back different: %2</translation>
    </message>
    <message>
        <source>参数写入结果</source>
        <translation>Parameter write result</translation>
    </message>
    <message>
        <source>导出比较结果</source>
        <translation>Export comparison</translation>
    </message>
    <message>
        <source>文件无法写入：%1</source>
        <translation>Cannot write file: %1</translation>
    </message>
    <message>
        <source>通信(&amp;C)</source>
        <translation>&amp;Communication</translation>
    </message>
    <message>
        <source>窗口(&amp;W)</source>
        <translation>&amp;Window</translation>
    </message>
    <message>
        <source>帮助(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>连接设置(&amp;S)...</source>
        <translation>Connection &amp;Settings...</translation>
    </message>
    <message>
        <source>断开连接(&amp;D)</source>
        <translation>&amp;Disconnect</translation>
    </message>
    <message>
        <source>退出(&amp;Q)</source>
        <translation>&amp;Quit</translation>
    </message>
    <message>
        <source>串口数据(&amp;T)</source>
        <translation>Serial Da&amp;ta</translation>
    </message>
    <message>
        <source>检查EEPROM版本(&amp;E)</source>
        <translation>Check &amp;EEPROM Version</translation>
    </message>
    <message>
        <source>恢复出厂设置(&amp;R)</source>
        <translation>&amp;Restore Factory Settings</translation>
    </message>
    <message>
        <source>错误窗口(&amp;E)</source>
        <translation>&amp;Error Window</translation>
    </message>
    <message>
        <source>关于(&amp;A)...</source>
        <translation>&amp;About...</translation>
    </message>
    <message>
        <source>频谱...</source>
        <translation>Spectrum...</translation>
    </message>
    <message>
        <source>频谱</source>
        <translation>Spectrum</translation>
    </message>
    <message>
        <source>测量</source>
        <translation>Measurements</translation>
    </message>
    <message>
        <source>原始值×比例</source>
        <translation>Raw × scale</translation>
    </message>
    <message>
        <source>光标 A/B</source>
        <translation>Cursors A/B</translation>
    </message>
    <message>
        <source>水平光标：关</source>
        <translation>Horizontal cursors: off</translation>
    </message>
    <message>
        <source>水平光标：CH%1</source>
        <translation>Horizontal cursors: CH%1</translation>
    </message>
    <message>
        <source>最小</source>
        <translation>Min</translation>
    </message>
    <message>
        <source>最大</source>
        <translation>Max</translation>
    </message>
    <message>
        <source>平均</source>
        <translation>Mean</translation>
    </message>
    <message>
        <source>峰峰值</source>
        <translation>Pk-pk</translation>
    </message>
    <message>
        <source>单位/格</source>
        <translation>Units/div</translation>
    </message>
    <message>
        <source>格</source>
        <translation>div</translation>
    </message>
    <message>
        <source>参数文件 (*.conf)</source>
        <translation>Parameter files (*.conf)</translation>
    </message>
    <message>
        <source>CSV 文件 (*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source>文件机型名称:%1，&lt;br/&gt;固件版本:%2&lt;br/&gt;当前机型名称:%3，&lt;br/&gt;固件版本:%4&lt;br/&gt;是否继续导入？点击“是”导入，点击“否”取消</source>
        <translation>File model: %1,&lt;br/&gt;firmware version: %2&lt;br/&gt;Current model: %3,&lt;br/&gt;firmware version: %4&lt;br/&gt;Continue the import? Click Yes to import, No to cancel.</translation>
    </message>
    <message>
        <source>驱动器：型号未识别</source>
        <translation>Drive: model not identified</translation>
    </message>
    <message>
        <source>驱动器：%1 %2</source>
        <translation>Drive: %1 %2</translation>
    </message>
    <message>
        <source>参考：参数定义文件中的出厂默认值</source>
        <translation>Reference: the factory defaults of the parameter definition file</translation>
    </message>
    <message>
        <source>（ParameterCompare文件夹中没有该机型和版本的参数文件）</source>
        <translation> (the ParameterCompare folder has no parameter file for this model and version)</translation>
    </message>
    <message>
        <source>结果：%1个参数与参考不同。</source>
        <translation>Result: %1 parameters differ from the reference.</translation>
    </message>
    <message>
        <source>参考：%1（ParameterCompare文件夹中该机型和版本的参数文件）</source>
        <translation>Reference: %1 (the parameter file for this model and version in the ParameterCompare folder)</translation>
    </message>
    <message>
        <source>结果：驱动器参数与参考相同。</source>
        <translation>Result: the drive&apos;s parameters equal the reference.</translation>
    </message>
    <message>
        <source>结果：%1个参数与参考不同或参考中没有。</source>
        <translation>Result: %1 parameters differ from the reference or are missing from it.</translation>
    </message>
    <message>
        <source>与出厂默认值不同的%1个参数列在参数表中，变化列为“默认值 → 驱动器值”。</source>
        <translation>The %1 parameters that differ from the factory defaults are listed in the parameter table; the Changes column shows &quot;default → drive value&quot;.</translation>
    </message>
    <message>
        <source>如果恢复过出厂设置，请确认恢复是否成功。</source>
        <translation>If the factory settings were restored, check that the restore succeeded.</translation>
    </message>
    <message>
        <source>点击“确定”后伺服将处于通电运行状态!&lt;br/&gt;请确保机械行程及人身安全，避免发生危险！</source>
        <translation>After you click OK the servo will be energized and run!&lt;br/&gt;Make sure the mechanical travel is clear and nobody is at risk!</translation>
    </message>
    <message>
        <source>比例：1 : 1</source>
        <translation>Scale: 1 : 1</translation>
    </message>
    <message>
        <source>比例：1 : %1 </source>
        <translation>Scale: 1 : %1 </translation>
    </message>
    <message>
        <source>CSV 波形文件 (*.csv)</source>
        <translation>CSV waveform files (*.csv)</translation>
    </message>
    <message>
        <source>图片 (*.png *.bmp *.jpg *.jpeg *.tif)</source>
        <translation>Images (*.png *.bmp *.jpg *.jpeg *.tif)</translation>
    </message>
    <message>
        <source>PDF 文档 (*.pdf)</source>
        <translation>PDF documents (*.pdf)</translation>
    </message>
    <message>
        <source>SVG 文档 (*.svg)</source>
        <translation>SVG documents (*.svg)</translation>
    </message>
    <message>
        <source>PostScript 文档 (*.ps)</source>
        <translation>PostScript documents (*.ps)</translation>
    </message>
    <message>
        <source>保存波形截图</source>
        <translation>Save Plot Image</translation>
    </message>
    <message>
        <source>序列号：</source>
        <translation>Serial No.: </translation>
    </message>
    <message>
        <source>本次运行的故障记录</source>
        <translation>Faults seen in this session</translation>
    </message>
    <message>
        <source>出现时间</source>
        <translation>Appeared</translation>
    </message>
    <message>
        <source>消除时间</source>
        <translation>Cleared</translation>
    </message>
    <message>
        <source>备注</source>
        <translation>Note</translation>
    </message>
    <message>
        <source>保存记录...</source>
        <translation>Save List...</translation>
    </message>
    <message>
        <source>驱动器有故障，点击查看故障信息</source>
        <translation>The drive reports a fault; click to see it</translation>
    </message>
    <message>
        <source>无故障</source>
        <translation>no fault</translation>
    </message>
    <message>
        <source>故障 %1 %2</source>
        <translation>Fault %1 %2</translation>
    </message>
    <message>
        <source>保存故障记录</source>
        <translation>Save Fault List</translation>
    </message>
    <message>
        <source>已保存%1条故障记录。</source>
        <translation>%1 faults saved.</translation>
    </message>
    <message>
        <source>驱动器连续三次没有应答。</source>
        <translation>The drive did not answer three times in a row.</translation>
    </message>
    <message>
        <source>端口已不存在：设备被拔出或线路被断开。</source>
        <translation>The port is gone: the device was unplugged or the line was cut.</translation>
    </message>
    <message>
        <source>无法向端口写入数据：设备可能已被拔出。</source>
        <translation>Data could not be written to the port: the device may have been unplugged.</translation>
    </message>
    <message>
        <source>与驱动器的连接已丢失（端口 %1）。
%2

是否重新连接同一端口？</source>
        <translation>The link to the drive was lost (port %1).
%2

Connect to the same port again?</translation>
    </message>
    <message>
        <source>文件来自另一台驱动器：&lt;br/&gt;文件序列号:%1&lt;br/&gt;当前驱动器序列号:%2</source>
        <translation>The file comes from another drive:&lt;br/&gt;File serial number: %1&lt;br/&gt;Connected drive serial number: %2</translation>
    </message>
    <message>
        <source>记录到文件</source>
        <translation>Log to file</translation>
    </message>
    <message>
        <source>每个查询周期把勾选的监视量写入 CSV 文件的一行</source>
        <translation>Writes the ticked monitor variables to one line of a CSV file per query cycle</translation>
    </message>
    <message>
        <source>清除曲线</source>
        <translation>Clear curves</translation>
    </message>
    <message>
        <source>时间 (s)</source>
        <translation>Time (s)</translation>
    </message>
    <message>
        <source>记录中：%1（%2 行）</source>
        <translation>Logging: %1 (%2 lines)</translation>
    </message>
    <message>
        <source>已记录：%1（%2 行）</source>
        <translation>Logged: %1 (%2 lines)</translation>
    </message>
    <message>
        <source>在表格的代码列勾选监视量（最多 %1 个）以显示趋势曲线</source>
        <translation>Tick monitor variables in the Code column (up to %1) to plot their trend</translation>
    </message>
    <message>
        <source>趋势曲线</source>
        <translation>Trend</translation>
    </message>
    <message>
        <source>最多同时显示 %1 条趋势曲线。</source>
        <translation>At most %1 trend curves can be shown at once.</translation>
    </message>
    <message>
        <source>监视量记录</source>
        <translation>Monitor log</translation>
    </message>
    <message>
        <source>写入记录文件失败，记录已停止：%1
%2
已写入的 %3 行保留在文件中。</source>
        <translation>Writing the log file failed; logging has stopped: %1
%2
The %3 lines already written are kept in the file.</translation>
    </message>
    <message>
        <source>请先在表格的代码列勾选要记录的监视量。</source>
        <translation>First tick the monitor variables to log in the Code column of the table.</translation>
    </message>
    <message>
        <source>监视量记录文件</source>
        <translation>Monitor log file</translation>
    </message>
    <message>
        <source>无法写入记录文件：%1
%2</source>
        <translation>Cannot write the log file: %1
%2</translation>
    </message>
    <message>
        <source>打开录波</source>
        <translation>Open recording</translation>
    </message>
    <message>
        <source>录波文件 (*.wrec)</source>
        <translation>Recordings (*.wrec)</translation>
    </message>
    <message>
        <source>打开录波...</source>
        <translation>Open recording...</translation>
    </message>
    <message>
        <source>录制到文件</source>
        <translation>Record to file</translation>
    </message>
    <message>
        <source>触发后停止录制</source>
        <translation>Stop after a trigger</translation>
    </message>
    <message>
        <source>触发后再录制右侧所设的时间，然后停止采样与录制（触发模式不为关闭时有效）</source>
        <translation>After a trigger, record for the time set on the right, then stop sampling and recording (with the trigger mode not Off)</translation>
    </message>
    <message>
        <source>无法写入录波文件，采样未开始。&lt;br/&gt;%1&lt;br/&gt;%2</source>
        <translation>Cannot write the recording; sampling has not started.&lt;br/&gt;%1&lt;br/&gt;%2</translation>
    </message>
    <message>
        <source>录波写入失败，已停止录制；已写入的%1组数据保留在：&lt;br/&gt;%2&lt;br/&gt;%3</source>
        <translation>Writing the recording failed and recording has stopped; the %1 sample sets written are kept in:&lt;br/&gt;%2&lt;br/&gt;%3</translation>
    </message>
    <message>
        <source>无法打开录波文件：&lt;br/&gt;%1&lt;br/&gt;%2</source>
        <translation>Cannot open the recording:&lt;br/&gt;%1&lt;br/&gt;%2</translation>
    </message>
    <message>
        <source>不是录波文件</source>
        <translation>not a recording</translation>
    </message>
    <message>
        <source>在波形页显示</source>
        <translation>Show on the waveform page</translation>
    </message>
    <message>
        <source>录波的采样率（%1 Hz）与波形页当前的采样率不同。</source>
        <translation>The recording's sample rate (%1 Hz) differs from the waveform page's.</translation>
    </message>
</context>
<context>
    <name>ManualRunMachine</name>
    <message>
        <source>JOG无法运行</source>
        <translation>Cannot Jog</translation>
    </message>
    <message>
        <source>系统当前非就绪状态！</source>
        <translation>The system is not ready!</translation>
    </message>
    <message>
        <source>系统当前有故障</source>
        <translation>The system has a fault.</translation>
    </message>
    <message>
        <source>无法执行操作</source>
        <translation>Cannot Perform Operation</translation>
    </message>
    <message>
        <source>惯量识别中，待测试完毕后再试</source>
        <translation>Inertia identification is in progress; try again when it has finished.</translation>
    </message>
    <message>
        <source>惯量识别完成</source>
        <translation>Inertia Identification Complete</translation>
    </message>
    <message>
        <source>参数测量中，待测试完毕后再试</source>
        <translation>Parameter measurement is in progress; try again when it has finished.</translation>
    </message>
    <message>
        <source>刚性等级测试结果</source>
        <translation>Stiffness Level Test Result</translation>
    </message>
    <message>
        <source>伺服驱动器未响应！请重新测试或关闭伺服</source>
        <translation>The servo drive is not responding! Test again or switch the servo off.</translation>
    </message>
    <message>
        <source>测试完成！是否更新参数到驱动器？</source>
        <translation>Test complete! Write the parameters to the drive?</translation>
    </message>
    <message>
        <source>通信中断</source>
        <translation>Link lost</translation>
    </message>
    <message>
        <source>通信中断时伺服处于使能状态，驱动器可能仍在通电运行！
请在驱动器上确认，或重新连接后关闭伺服。</source>
        <translation>The servo was on when the link was lost; the drive may still be energised!
Check it at the drive, or reconnect and switch the servo off.</translation>
    </message>
    <message>
        <source>识别的负载惯量比 %1 超出参数范围 %2～%3，不能写入驱动器。</source>
        <translation>The identified load inertia ratio %1 lies outside the parameter range %2 to %3 and cannot be written to the drive.</translation>
    </message>
    <message>
        <source>负载惯量比：%1&lt;br/&gt;是否写入到驱动器？&lt;br/&gt;点击“是”写入，点击“否”则不写入</source>
        <translation>Load inertia ratio: %1&lt;br/&gt;Write it to the drive?&lt;br/&gt;Click Yes to write, No to skip.</translation>
    </message>
</context>
<context>
    <name>ModelXmlList</name>
    <message>
        <source>参数定义文件测试</source>
        <translation>Parameter Definition File Test</translation>
    </message>
    <message>
        <source>载入</source>
        <translation>Load</translation>
    </message>
</context>
<context>
    <name>MonitorQuery</name>
    <message>
        <source>故障码：%1 （%2故障/告警）&lt;br/&gt;%3</source>
        <translation>Fault code: %1 (%2 fault/alarm)&lt;br/&gt;%3</translation>
    </message>
</context>
<context>
    <name>ParamDiffDialog</name>
    <message>
        <source>参数差异比较</source>
        <translation>Parameter comparison</translation>
    </message>
    <message>
        <source>驱动器与文件比较</source>
        <translation>Drive against file</translation>
    </message>
    <message>
        <source>两个文件比较</source>
        <translation>Two files</translation>
    </message>
    <message>
        <source>将勾选的值写入驱动器</source>
        <translation>Write ticked values to drive</translation>
    </message>
    <message>
        <source>导出CSV</source>
        <translation>Export CSV</translation>
    </message>
    <message>
        <source>参数代码</source>
        <translation>Code</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>单位</source>
        <translation>Unit</translation>
    </message>
    <message>
        <source>生效时间</source>
        <translation>Takes Effect</translation>
    </message>
    <message>
        <source>左</source>
        <translation>Left</translation>
    </message>
    <message>
        <source>右</source>
        <translation>Right</translation>
    </message>
    <message>
        <source>请选择比较方式。</source>
        <translation>Choose what to compare.</translation>
    </message>
    <message>
        <source>%1 与 %2：没有差异</source>
        <translation>%1 and %2: no difference</translation>
    </message>
    <message>
        <source>%1 与 %2：%3个参数不同</source>
        <translation>%1 and %2: %3 parameters differ</translation>
    </message>
</context>
<context>
    <name>ParamFile</name>
    <message>
        <source>文件无法写入：%1</source>
        <translation>Cannot write file: %1</translation>
    </message>
    <message>
        <source>%1 → %2（参数载入）</source>
        <translation>%1 → %2 (loaded from file)</translation>
    </message>
    <message>
        <source>%1 → %2</source>
        <translation>%1 → %2</translation>
    </message>
</context>
<context>
    <name>ParamInputDialog</name>
    <message>
        <source>参数设置</source>
        <translation>Parameter Setting</translation>
    </message>
    <message>
        <source>参数名称</source>
        <translation>Parameter name</translation>
    </message>
    <message>
        <source>设定范围：</source>
        <translation>Setting range:</translation>
    </message>
    <message>
        <source>出厂值：</source>
        <translation>Factory default:</translation>
    </message>
    <message>
        <source>当前值：</source>
        <translation>Current value:</translation>
    </message>
    <message>
        <source>设定值：</source>
        <translation>New value:</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>数值为空!</source>
        <translation>The value is empty!</translation>
    </message>
    <message>
        <source>数值未变化!</source>
        <translation>The value has not changed!</translation>
    </message>
    <message>
        <source>数值格式有误!</source>
        <translation>Invalid number format!</translation>
    </message>
    <message>
        <source>低于下限值!</source>
        <translation>Below the lower limit!</translation>
    </message>
    <message>
        <source>高于上限值!</source>
        <translation>Above the upper limit!</translation>
    </message>
    <message>
        <source>设置异常</source>
        <translation>Invalid Setting</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>ParamLoadSelDialog</name>
    <message>
        <source>伺服参数读取</source>
        <translation>Read Servo Parameters</translation>
    </message>
    <message>
        <source>驱动器型号</source>
        <translation>Drive Model</translation>
    </message>
    <message>
        <source>固件版本</source>
        <translation>Firmware Version</translation>
    </message>
    <message>
        <source>驱动器生产系号</source>
        <translation>Drive Serial No.</translation>
    </message>
    <message>
        <source>电机型号</source>
        <translation>Motor Model</translation>
    </message>
    <message>
        <source>参数读取选择</source>
        <translation>Parameter Source</translation>
    </message>
    <message>
        <source>从伺服驱动器中读取</source>
        <translation>Read from the servo drive</translation>
    </message>
    <message>
        <source>   选择通过通信从伺服驱动器中读取参数并更新显示</source>
        <translation>   Read the parameters from the servo drive over the link and update the display</translation>
    </message>
    <message>
        <source>从本地参数文件读取</source>
        <translation>Read from a local parameter file</translation>
    </message>
    <message>
        <source>   选择从本地参数文件读取并更新显示</source>
        <translation>   Read the parameters from a local parameter file and update the display</translation>
    </message>
    <message>
        <source>不读取</source>
        <translation>Do not read</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>ParamTransfer</name>
    <message>
        <source>: 设置值不是可以下载的数值</source>
        <translation>: the set value cannot be written to the drive</translation>
    </message>
    <message>
        <source>: 设置值超过上限值</source>
        <translation>: the set value exceeds the upper limit</translation>
    </message>
    <message>
        <source>: 设置值低于下限值</source>
        <translation>: the set value is below the lower limit</translation>
    </message>
    <message>
        <source>: 所属参数为停机设置类（当前为开机状态不允许设置）</source>
        <translation>: the parameter can only be set while stopped (not allowed while running)</translation>
    </message>
    <message>
        <source>: 所设置参数不存在</source>
        <translation>: the parameter does not exist</translation>
    </message>
    <message>
        <source>: 所设置的参数不允许设置（只读、内部保留）</source>
        <translation>: the parameter cannot be set (read-only or reserved)</translation>
    </message>
    <message>
        <source>&lt;font color=&apos;#5500ff&apos;&gt;&lt;b&gt;设置成功：&lt;/b&gt;&lt;/font&gt;%1个&lt;br/&gt;</source>
        <translation>&lt;font color=&apos;#5500ff&apos;&gt;&lt;b&gt;Succeeded: &lt;/b&gt;&lt;/font&gt;%1&lt;br/&gt;</translation>
    </message>
    <message>
        <source>&lt;br/&gt;设置失败：%1个</source>
        <translation>&lt;br/&gt;Failed: %1</translation>
    </message>
    <message>
        <source>&lt;font color=&apos;#ED1C24&apos;&gt;&lt;b&gt;&lt;br/&gt;设置失败：&lt;/b&gt;&lt;/font&gt;%1个&lt;br/&gt;</source>
        <translation>&lt;font color=&apos;#ED1C24&apos;&gt;&lt;b&gt;&lt;br/&gt;Failed: &lt;/b&gt;&lt;/font&gt;%1&lt;br/&gt;</translation>
    </message>
    <message>
        <source>&lt;br/&gt;详细信息：&lt;br/&gt;</source>
        <translation>&lt;br/&gt;Details:&lt;br/&gt;</translation>
    </message>
    <message>
        <source>: 设置失败（应答代码 %1）</source>
        <translation>: not set (reply code %1)</translation>
    </message>
    <message>
        <source>: 参数代码超出通信范围</source>
        <translation>: parameter code beyond the communication range</translation>
    </message>
</context>
<context>
    <name>RecordingView</name>
    <message>
        <source>无数据</source>
        <translation>no data</translation>
    </message>
    <message>
        <source>录波 - %1</source>
        <translation>Recording - %1</translation>
    </message>
    <message>
        <source>单位:秒</source>
        <translation>Unit: s</translation>
    </message>
    <message>
        <source>开始：%1  时长：%2 秒  采样率：%3 Hz  丢失：%4 组  驱动器：%5 %6 %7</source>
        <translation>Start: %1  Length: %2 s  Rate: %3 Hz  Lost: %4 sets  Drive: %5 %6 %7</translation>
    </message>
    <message>
        <source>文件未正常结束：已读到最后一组完整数据。</source>
        <translation>The file did not end normally: read up to its last whole sample set.</translation>
    </message>
    <message>
        <source>在波形页显示</source>
        <translation>Show on the waveform page</translation>
    </message>
    <message>
        <source>导出可见部分...</source>
        <translation>Export visible span...</translation>
    </message>
    <message>
        <source>全部导出...</source>
        <translation>Export all...</translation>
    </message>
    <message>
        <source>全部显示</source>
        <translation>Show all</translation>
    </message>
    <message>
        <source>可见部分超过%1点：请先放大</source>
        <translation>The visible span holds more than %1 points: zoom in first</translation>
    </message>
    <message>
        <source>导出录波</source>
        <translation>Export recording</translation>
    </message>
    <message>
        <source>CSV 波形文件 (*.csv)</source>
        <translation>CSV waveform files (*.csv)</translation>
    </message>
    <message>
        <source>导出失败！&lt;br/&gt;%1&lt;br/&gt;%2</source>
        <translation>Export failed!&lt;br/&gt;%1&lt;br/&gt;%2</translation>
    </message>
    <message>
        <source>已导出：%1</source>
        <translation>Exported: %1</translation>
    </message>
</context>
<context>
    <name>SerialThread</name>
    <message>
        <source>无法打开串口%1, 故障代码: %2</source>
        <translation>Cannot open serial port %1, error code: %2</translation>
    </message>
    <message>
        <source>通信断开</source>
        <translation>Disconnected</translation>
    </message>
</context>
<context>
    <name>SpectrumDialog</name>
    <message>
        <source>频谱</source>
        <translation>Spectrum</translation>
    </message>
    <message>
        <source>矩形窗</source>
        <translation>Rectangular</translation>
    </message>
    <message>
        <source>汉宁窗</source>
        <translation>Hann</translation>
    </message>
    <message>
        <source>汉明窗</source>
        <translation>Hamming</translation>
    </message>
    <message>
        <source>布莱克曼-哈里斯窗</source>
        <translation>Blackman-Harris</translation>
    </message>
    <message>
        <source>整个波形</source>
        <translation>Whole capture</translation>
    </message>
    <message>
        <source>光标之间</source>
        <translation>Between cursors</translation>
    </message>
    <message>
        <source>窗函数：</source>
        <translation>Window:</translation>
    </message>
    <message>
        <source>范围：</source>
        <translation>Span:</translation>
    </message>
    <message>
        <source>刷新</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>频率 (Hz)</source>
        <translation>Frequency (Hz)</translation>
    </message>
    <message>
        <source>幅值 (dB)</source>
        <translation>Magnitude (dB)</translation>
    </message>
    <message>
        <source>通道</source>
        <translation>Channel</translation>
    </message>
    <message>
        <source>幅值</source>
        <translation>Amplitude</translation>
    </message>
    <message>
        <source>未设置光标，显示整个波形。</source>
        <translation>No cursors set: showing the whole capture.</translation>
    </message>
    <message>
        <source>%1 点，分辨率 %2 Hz</source>
        <translation>%1 points, resolution %2 Hz</translation>
    </message>
    <message>
        <source>没有波形数据。</source>
        <translation>No waveform data.</translation>
    </message>
</context>
<context>
    <name>TriggerPanel</name>
    <message>
        <source>触发</source>
        <translation>Trigger</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Off</translation>
    </message>
    <message>
        <source>自动</source>
        <translation>Auto</translation>
    </message>
    <message>
        <source>正常</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>单次</source>
        <translation>Single</translation>
    </message>
    <message>
        <source>上升沿</source>
        <translation>Rising</translation>
    </message>
    <message>
        <source>下降沿</source>
        <translation>Falling</translation>
    </message>
    <message>
        <source>模式</source>
        <translation>Mode</translation>
    </message>
    <message>
        <source>电平</source>
        <translation>Level</translation>
    </message>
    <message>
        <source>预触发</source>
        <translation>Pre-trigger</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>State</translation>
    </message>
    <message>
        <source>关闭：连续采样；自动：无触发时也刷新；正常：只显示触发的波形；单次：触发一次后停止</source>
        <translation>Off: continuous sampling; Auto: refreshes without a trigger too; Normal: shows only triggered waveforms; Single: stops after one trigger</translation>
    </message>
    <message>
        <source>等待触发</source>
        <translation>Armed</translation>
    </message>
    <message>
        <source>已触发</source>
        <translation>Triggered</translation>
    </message>
    <message>
        <source>已停止</source>
        <translation>Stopped</translation>
    </message>
    <message>
        <source>触发信源通道</source>
        <translation>Channel the trigger watches</translation>
    </message>
    <message>
        <source>触发电平，单位为信源通道的单位（原始值乘以通道系数）</source>
        <translation>Trigger level, in the source channel's unit (raw value times the channel's coefficient)</translation>
    </message>
    <message>
        <source>触发点之前的波形占窗口的比例；窗口长度即时间轴旋钮所示的宽度</source>
        <translation>Share of the window before the trigger point; the window is as long as the time dial shows</translation>
    </message>
    <message>
        <source>自由运行（无触发）</source>
        <translation>Free running (no trigger)</translation>
    </message>
</context>
<context>
    <name>WaveRecorder</name>
    <message>
        <source>磁盘写入跟不上数据流</source>
        <translation>The disk cannot keep up with the data stream</translation>
    </message>
</context>
<context>
    <name>aboutDialog</name>
    <message>
        <source>关于</source>
        <translation>About</translation>
    </message>
    <message>
        <source>Vemar伺服上位机调试平台</source>
        <translation>Vemar Servo Commissioning Tool</translation>
    </message>
    <message>
        <source>补丁版本：</source>
        <translation>Patch Version:</translation>
    </message>
    <message>
        <source>驱动器软件版本：</source>
        <translation>Drive Software Version:</translation>
    </message>
    <message>
        <source>第三方版权 ...</source>
        <translation>Third-Party Licenses ...</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>版本：</source>
        <translation>Version:</translation>
    </message>
    <message>
        <source>发布日期：</source>
        <translation>Release Date:</translation>
    </message>
    <message>
        <source>驱动器：</source>
        <translation>Drive:</translation>
    </message>
    <message>
        <source>驱动器序列号：</source>
        <translation>Drive serial number:</translation>
    </message>
    <message>
        <source>未连接</source>
        <translation>not connected</translation>
    </message>
</context>
<context>
    <name>errorForm</name>
    <message>
        <source>错误窗口</source>
        <translation>Error Window</translation>
    </message>
    <message>
        <source>清空列表</source>
        <translation>Clear List</translation>
    </message>
</context>
<context>
    <name>showSrvDebugInfo</name>
    <message>
        <source>伺服调试数据</source>
        <translation>Servo Debug Data</translation>
    </message>
</context>
</TS>
