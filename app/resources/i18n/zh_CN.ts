<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<!-- SPDX-License-Identifier: GPL-3.0-or-later -->
<TS version="2.1" language="zh_CN" sourcelanguage="en_US">
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
</context>
</TS>
