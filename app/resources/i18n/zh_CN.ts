<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<!-- SPDX-License-Identifier: GPL-3.0-or-later -->
<TS version="2.1" language="zh_CN" sourcelanguage="en_US">
<context>
    <name>AlarmNotifier</name>
    <message>
        <source>Cooling alarm</source>
        <translation>散热警报</translation>
    </message>
</context>
<context>
    <name>CoolingAlarm</name>
    <message>
        <source>%1: %2 cannot be read; its fans run at full speed</source>
        <translation>%1：无法读取 %2，该组风扇以全速运行</translation>
    </message>
    <message>
        <source>Fan %1 of %2 has stopped although it is driven to turn</source>
        <translation>%2 的风扇 %1 已停转，但它应当在转动</translation>
    </message>
</context>
<context>
    <name>CoolingControl</name>
    <message>
        <source>Only the CPU load can be followed here: this system offers no temperature sensors to programs</source>
        <translation>此处只能跟随 CPU 负载：本系统不向程序提供温度传感器</translation>
    </message>
    <message>
        <source>No source "%1" on this machine</source>
        <translation>本机没有来源“%1”</translation>
    </message>
    <message>
        <source>A curve is "default" or 2 to 8 points value:level, such as 40:2,60:5,75:9, with rising values and levels that never fall</source>
        <translation>曲线为 “default”，或 2 到 8 个“数值:档位”点，例如 40:2,60:5,75:9，数值递增，档位不下降</translation>
    </message>
</context>
<context>
    <name>CoolingPage</name>
    <message>
        <source>This controller does not report fan speeds: a stopped fan cannot be seen.</source>
        <translation>此控制器不报告风扇转速：无法发现停转的风扇。</translation>
    </message>
    <message>
        <source>Without a system tray, keep cooling in the background when the window closes</source>
        <translation>没有系统托盘时，关闭窗口后在后台继续散热</translation>
    </message>
</context>
<context>
    <name>CurveEditor</name>
    <message>
        <source>%1 (absent)</source>
        <translation>%1（不存在）</translation>
    </message>
    <message>
        <source>Add point</source>
        <translation>添加点</translation>
    </message>
    <message>
        <source>Fan G%1</source>
        <translation>风扇 G%1</translation>
    </message>
    <message>
        <source>Level</source>
        <translation>档位</translation>
    </message>
    <message>
        <source>Now %1 %2: level %3</source>
        <translation>当前 %1 %2：档位 %3</translation>
    </message>
    <message>
        <source>Now: no reading</source>
        <translation>当前：无读数</translation>
    </message>
    <message>
        <source>Remove point</source>
        <translation>删除点</translation>
    </message>
    <message>
        <source>Reset to default</source>
        <translation>恢复默认</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>数值</translation>
    </message>
    <message>
        <source>Windows offers no temperature sensors to programs without a kernel driver of their own: only the CPU load can be followed here.</source>
        <translation>Windows 不向程序提供温度传感器（除非另装专用的内核驱动）：此处只能跟随 CPU 负载。</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>%1  [%2]</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>AUTO</source>
        <translation>自动</translation>
    </message>
    <message>
        <source>Adapter:</source>
        <translation>电源状态:</translation>
    </message>
    <message>
        <source>Auto Hibernate</source>
        <translation>自动休眠</translation>
    </message>
    <message>
        <source>Auto Start</source>
        <translation>启用记忆</translation>
    </message>
    <message>
        <source>Auto Start Up</source>
        <translation>自动启动</translation>
    </message>
    <message>
        <source>Auto Start Up Corvane</source>
        <translation>开机自动启动</translation>
    </message>
    <message>
        <source>Breathe</source>
        <translation>呼吸效果</translation>
    </message>
    <message>
        <source>Change Boost</source>
        <translation>变档加速</translation>
    </message>
    <message>
        <source>Connected</source>
        <translation>连接</translation>
    </message>
    <message>
        <source>Control</source>
        <translation>设备控制</translation>
    </message>
    <message>
        <source>Corvantis</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cycle</source>
        <translation>循环效果</translation>
    </message>
    <message>
        <source>DUST</source>
        <translation>除尘</translation>
    </message>
    <message>
        <source>DUTY CYCLE</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>DUTY CYCLE %1%</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Device:</source>
        <translation>连接状态：</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>退出</translation>
    </message>
    <message>
        <source>Exit Corvane</source>
        <translation>退出</translation>
    </message>
    <message>
        <source>Fan G1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fan G2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>G1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>G2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>LED Power</source>
        <translation>灯光电源</translation>
    </message>
    <message>
        <source>MAN</source>
        <translation>手动</translation>
    </message>
    <message>
        <source>Model:</source>
        <translation>设备型号：</translation>
    </message>
    <message>
        <source>N/A</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No Power</source>
        <translation>无电源适配器</translation>
    </message>
    <message>
        <source>Plugin not found</source>
        <translation>插件未找到</translation>
    </message>
    <message>
        <source>SAVE</source>
        <translation>储存</translation>
    </message>
    <message>
        <source>Serial:</source>
        <translation>设备序号:</translation>
    </message>
    <message>
        <source>Solid</source>
        <translation>常亮效果</translation>
    </message>
    <message>
        <source>Sorry, we can't find the right plugins, please try to reinstall.</source>
        <translation>抱歉，我们未能正确的找到运行所需要的插件，请尝试重新安装。</translation>
    </message>
    <message>
        <source>Not answering</source>
        <translation>无响应</translation>
    </message>
    <message>
        <source>Unconnected</source>
        <translation>未连接</translation>
    </message>
    <message>
        <source>Utilities</source>
        <translation>实用工具</translation>
    </message>
    <message>
        <source>version</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cooling</source>
        <translation>散热</translation>
    </message>
    <message>
        <source>Keep cooling?</source>
        <translation>继续散热？</translation>
    </message>
    <message>
        <source>There is no system tray to keep the program in. Keep cooling in the background when the window closes? A second launch brings the window back; the Cooling tab changes this answer.</source>
        <translation>没有可以驻留程序的系统托盘。关闭窗口后是否在后台继续散热？再次启动程序可重新显示窗口；可在“散热”页更改此选择。</translation>
    </message>
</context>
<context>
    <name>SourceList</name>
    <message>
        <source>CPU load</source>
        <translation>CPU 负载</translation>
    </message>
</context>
</TS>
