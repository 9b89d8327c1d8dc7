<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>MsgBox</name>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>ProgressDialog</name>
    <message>
        <source>正在下载最新版本</source>
        <translation>Downloading the latest version</translation>
    </message>
</context>
<context>
    <name>VerifyWidget</name>
    <message>
        <source>请输入验证码</source>
        <translation>Enter the verification code</translation>
    </message>
    <message>
        <source>看不清，刷新</source>
        <translation>Unclear? Refresh</translation>
    </message>
    <message>
        <source>请输入图中字母</source>
        <translation>Enter the letters in the picture</translation>
    </message>
    <message>
        <source>图片验证码验证失败</source>
        <translation>The letters do not match the picture</translation>
    </message>
    <message>
        <source>确认</source>
        <translation>Confirm</translation>
    </message>
</context>
</TS>
