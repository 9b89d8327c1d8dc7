<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>Login</name>
    <message>
        <source>星隼无线相机助手</source>
        <translation>Kestra Wireless Camera Assistant</translation>
    </message>
    <message>
        <source>点击刷新</source>
        <translation>Click to refresh</translation>
    </message>
    <message>
        <source>请输入手机号</source>
        <translation>Enter your phone number</translation>
    </message>
    <message>
        <source>请输入验证码</source>
        <translation>Verification code</translation>
    </message>
    <message>
        <source>发送验证码</source>
        <translation>Send code</translation>
    </message>
    <message>
        <source>登录</source>
        <translation>Sign in</translation>
    </message>
    <message>
        <source>APP扫一扫</source>
        <translation>Scan with the app</translation>
    </message>
    <message>
        <source>刷新二维码</source>
        <translation>Refresh QR code</translation>
    </message>
    <message>
        <source>登录即同意</source>
        <translation>By signing in you agree to the </translation>
    </message>
    <message>
        <source>《用户协议》</source>
        <translation>User Agreement</translation>
    </message>
    <message>
        <source>及</source>
        <translation> and the </translation>
    </message>
    <message>
        <source>《隐私政策》</source>
        <translation>Privacy Policy</translation>
    </message>
    <message>
        <source>请输入正确手机号</source>
        <translation>Please enter a correct phone number</translation>
    </message>
    <message>
        <source>重新发送</source>
        <translation>Resend</translation>
    </message>
    <message>
        <source>验证码错误</source>
        <translation>Wrong code</translation>
    </message>
    <message>
        <source>登录失败请重试</source>
        <translation>Sign-in failed, please retry</translation>
    </message>
    <message>
        <source>账号未注册</source>
        <translation>Account not registered</translation>
    </message>
    <message>
        <source>登录太频繁请稍后再试</source>
        <translation>Too many sign-ins, try again later</translation>
    </message>
    <message>
        <source>二维码刷新失败</source>
        <translation>QR code refresh failed</translation>
    </message>
    <message>
        <source>二维码刷新频繁</source>
        <translation>QR code refreshed too often</translation>
    </message>
    <message>
        <source>扫码登录失败请重试</source>
        <translation>QR sign-in failed, please retry</translation>
    </message>
    <message>
        <source>扫码成功</source>
        <translation>Scanned</translation>
    </message>
    <message>
        <source>请在手机端确认</source>
        <translation>Confirm on your phone</translation>
    </message>
    <message>
        <source>二维码已过期</source>
        <translation>QR code expired</translation>
    </message>
    <message>
        <source>请刷新重试</source>
        <translation>Refresh and retry</translation>
    </message>
    <message>
        <source>登录异常</source>
        <translation>Sign-in error</translation>
    </message>
    <message>
        <source>当前已经是最新版本!</source>
        <translation>This is already the latest version!</translation>
    </message>
    <message>
        <source>当前版本：</source>
        <translation>Current version: </translation>
    </message>
    <message>
        <source>我知道了</source>
        <translation>Got it</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Notice</translation>
    </message>
    <message>
        <source>可能原因：网络或代理服务器异常，请检查设置后重试</source>
        <translation>Possible cause: a network or proxy server problem. Check the settings and try again.</translation>
    </message>
    <message>
        <source>当前版本过低</source>
        <translation>Version too old</translation>
    </message>
    <message>
        <source>当前版本过低，无法使用相机业务，请下载最新版本</source>
        <translation>This version is too old to use the camera functions. Please download the latest version.</translation>
    </message>
    <message>
        <source>下次再说</source>
        <translation>Later</translation>
    </message>
    <message>
        <source>立即更新</source>
        <translation>Update now</translation>
    </message>
    <message>
        <source>发现新版本，可升级!</source>
        <translation>A new version is available!</translation>
    </message>
    <message>
        <source>新版本：</source>
        <translation>New version: </translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>保存文件</source>
        <translation>Save file</translation>
    </message>
    <message>
        <source>下载失败</source>
        <translation>Download failed</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>重试</source>
        <translation>Retry</translation>
    </message>
    <message>
        <source>下载完成</source>
        <translation>Download complete</translation>
    </message>
    <message>
        <source>新版软件已下载完成，请问是否关闭正在运行的软件，立即安装</source>
        <translation>The new version has been downloaded. Close the running program and install now?</translation>
    </message>
    <message>
        <source>立即安装</source>
        <translation>Install now</translation>
    </message>
    <message>
        <source>确认要退出吗?</source>
        <translation>Really quit?</translation>
    </message>
    <message>
        <source>退出会关闭无线相机的功能</source>
        <translation>Quitting stops the wireless camera function.</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>安装失败</source>
        <translation>Installation failed</translation>
    </message>
    <message>
        <source>请尝试退出所有应用程序，包括直播软件，然后再执行安装程序</source>
        <translation>Try quitting all applications, including live-streaming software, and then run the installer.</translation>
    </message>
</context>
<context>
    <name>LoginMode</name>
    <message>
        <source>请选择
连接模式</source>
        <translation>Choose the
connection mode</translation>
    </message>
    <message>
        <source>单机模式</source>
        <translation>Single camera</translation>
    </message>
    <message>
        <source>推荐</source>
        <translation>Recommended</translation>
    </message>
    <message>
        <source>自动配对连接，适合仅使用1台无线相机的情况</source>
        <translation>Pairs automatically; for one wireless camera</translation>
    </message>
    <message>
        <source>多机模式</source>
        <translation>Multiple cameras</translation>
    </message>
    <message>
        <source>支持多台无线相机和虚拟摄像机自由配对连接
适合专业用户用于搭建多机位场景</source>
        <translation>Pair several wireless cameras freely with the virtual cameras; for professional multi-camera set-ups</translation>
    </message>
</context>
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
