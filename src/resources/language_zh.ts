<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>AddDevice</name>
    <message>
        <source>星隼无线相机助手</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>发现以下可连接的设备</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>刷新</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>未发现我的设备？</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CamPair</name>
    <message>
        <source>添加虚拟摄像头</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>开</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>移除设备</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>相机设置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>确认要重新配对?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>重新配对到此设备，将取消配对:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>确认绑定</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>取消</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>添加</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>移除</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>已配对</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>切换</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>在用</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>使用中</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>HDR(工作中，无法切换)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>关</source>
        <translation type="unfinished"></translation>
    </message>
</context>
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
    <name>Menu</name>
    <message>
        <source>设置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>关于账号</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>关于软件</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>退出</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MenuAbout</name>
    <message>
        <source>星隼无线相机助手</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>检查更新</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>星友ID</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>账号</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>退出登录</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>关于账号</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>关于Kestra</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MenuSetting</name>
    <message>
        <source>设置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>通用设置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>语言设置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>连接模式</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>保存</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>版本信息</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>检查更新</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>English</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>繁体中文</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Deutsch</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Français</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Italiano</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Español</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Japanese</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>简体中文</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>多机模式</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>单机模式</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>始终保持最新(推荐)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>开机时自启动本软件</source>
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
    <name>OptionMenu</name>
    <message>
        <source>移除设备</source>
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
    <name>SearchDevice</name>
    <message>
        <source>搜寻设备</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>正在搜寻附近设备中</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>这可能需要一段时间，请不要退出</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>抱歉未找到对应设备</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1、确保相机已联网，且与电脑在同一网络下</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>2、确保相机无线相机模式已在工作中</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>3、如仍未解决，请尝试重启电脑再试</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>重新搜索</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>检查更新</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>未发现设备？</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>当前版本：</source>
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
<context>
    <name>VirtualCam</name>
    <message>
        <source>添加</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>itemAddNewDev</name>
    <message>
        <source>添加更多设备</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>添加</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>itemNewDev</name>
    <message>
        <source>设备名称</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>连接</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>itemOffline</name>
    <message>
        <source>正在连接…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>连接失败</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>重连</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>未连接</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>刷新</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>itemOldDev</name>
    <message>
        <source>已连接</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>配对虚拟摄像机</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>管理虚拟相机</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>取消</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>确认</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>taryWidget</name>
    <message>
        <source>星隼无线相机助手</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>发现以下可连接的设备</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>刷新</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>我的设备 (1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>未发现设备？</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>已连接</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>已配对虚拟摄像机Kestra Camera</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>可在其他应用调用Kestra Camera获取画面</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>单机模式</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>切换至多机模式</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>登录成功</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>多机模式</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>切换至单机模式</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>切换其他设备</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>切换</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>我的设备</source>
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
        <source>取消</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无法移除设备!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>当前设备正在被调用，请停止调用再作尝试</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>我知道了</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无法进行切换!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>确认要移除此设备吗?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>移除</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>trayMsgBox</name>
    <message>
        <source>星隼无线相机助手</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>星隼无线相机助手已经最小化托盘</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>取消</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>确定</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
