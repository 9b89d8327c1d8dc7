<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>Login</name>
    <message>
        <source>星隼无线相机助手</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>点击刷新</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>请输入手机号</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>请输入验证码</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>发送验证码</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>登录</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>APP扫一扫</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>刷新二维码</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>登录即同意</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>《用户协议》</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>及</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>《隐私政策》</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>请输入正确手机号</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>重新发送</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>验证码错误</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>登录失败请重试</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>账号未注册</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>登录太频繁请稍后再试</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>二维码刷新失败</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>二维码刷新频繁</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>扫码登录失败请重试</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>扫码成功</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>请在手机端确认</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>二维码已过期</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>请刷新重试</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>登录异常</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>当前已经是最新版本!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>当前版本：</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>我知道了</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>提示</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>可能原因：网络或代理服务器异常，请检查设置后重试</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>当前版本过低</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>当前版本过低，无法使用相机业务，请下载最新版本</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>下次再说</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>立即更新</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>发现新版本，可升级!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>新版本：</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>取消</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>保存文件</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>下载失败</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>关闭</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>重试</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>下载完成</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>新版软件已下载完成，请问是否关闭正在运行的软件，立即安装</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>立即安装</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>确认要退出吗?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>退出会关闭无线相机的功能</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>退出</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>安装失败</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>请尝试退出所有应用程序，包括直播软件，然后再执行安装程序</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>LoginMode</name>
    <message>
        <source>请选择
连接模式</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>单机模式</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>推荐</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>自动配对连接，适合仅使用1台无线相机的情况</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>多机模式</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>支持多台无线相机和虚拟摄像机自由配对连接
适合专业用户用于搭建多机位场景</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MsgBox</name>
    <message>
        <source>确定</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ProgressDialog</name>
    <message>
        <source>正在下载最新版本</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>VerifyWidget</name>
    <message>
        <source>请输入验证码</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>看不清，刷新</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>请输入图中字母</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>图片验证码验证失败</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>确认</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
