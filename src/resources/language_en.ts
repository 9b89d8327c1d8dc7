<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>AddDevice</name>
    <message>
        <source>星隼无线相机助手</source>
        <translation>Kestra Wireless Camera Assistant</translation>
    </message>
    <message>
        <source>发现以下可连接的设备</source>
        <translation>Cameras ready to connect</translation>
    </message>
    <message>
        <source>刷新</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>未发现我的设备？</source>
        <translation>My camera is not listed?</translation>
    </message>
</context>
<context>
    <name>CamPair</name>
    <message>
        <source>添加虚拟摄像头</source>
        <translation>Add virtual camera</translation>
    </message>
    <message>
        <source>开</source>
        <translation>On</translation>
    </message>
    <message>
        <source>移除设备</source>
        <translation>Remove camera</translation>
    </message>
    <message>
        <source>相机设置</source>
        <translation>Camera settings</translation>
    </message>
    <message>
        <source>确认要重新配对?</source>
        <translation>Confirm re-pairing?</translation>
    </message>
    <message>
        <source>重新配对到此设备，将取消配对:</source>
        <translation>Re-pairing to this camera will cancel the pairing of &quot;xxx&quot;.</translation>
    </message>
    <message>
        <source>确认绑定</source>
        <translation>Confirm binding</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>添加</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>移除</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>已配对</source>
        <translation>Paired</translation>
    </message>
    <message>
        <source>切换</source>
        <translation>Switch</translation>
    </message>
    <message>
        <source>在用</source>
        <translation>In use</translation>
    </message>
    <message>
        <source>使用中</source>
        <translation>In use</translation>
    </message>
    <message>
        <source>HDR(工作中，无法切换)</source>
        <translation>HDR (live, cannot switch)</translation>
    </message>
    <message>
        <source>关</source>
        <translation>Off</translation>
    </message>
</context>
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
    <name>Menu</name>
    <message>
        <source>设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>关于账号</source>
        <translation>About account</translation>
    </message>
    <message>
        <source>关于软件</source>
        <translation>About software</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Quit</translation>
    </message>
</context>
<context>
    <name>MenuAbout</name>
    <message>
        <source>星隼无线相机助手</source>
        <translation>Kestra Wireless Camera Assistant</translation>
    </message>
    <message>
        <source>检查更新</source>
        <translation>Check for updates</translation>
    </message>
    <message>
        <source>星友ID</source>
        <translation>Kestra ID</translation>
    </message>
    <message>
        <source>账号</source>
        <translation>Account</translation>
    </message>
    <message>
        <source>退出登录</source>
        <translation>Sign out</translation>
    </message>
    <message>
        <source>关于账号</source>
        <translation>About account</translation>
    </message>
    <message>
        <source>关于Kestra</source>
        <translation>About Kestra</translation>
    </message>
</context>
<context>
    <name>MenuSetting</name>
    <message>
        <source>设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>通用设置</source>
        <translation>General</translation>
    </message>
    <message>
        <source>语言设置</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>连接模式</source>
        <translation>Connection mode</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>版本信息</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>检查更新</source>
        <translation>Check for updates</translation>
    </message>
    <message>
        <source>English</source>
        <translation>English</translation>
    </message>
    <message>
        <source>繁体中文</source>
        <translation>繁體中文</translation>
    </message>
    <message>
        <source>Deutsch</source>
        <translation>Deutsch</translation>
    </message>
    <message>
        <source>Français</source>
        <translation>Français</translation>
    </message>
    <message>
        <source>Italiano</source>
        <translation>Italiano</translation>
    </message>
    <message>
        <source>Español</source>
        <translation>Español</translation>
    </message>
    <message>
        <source>Japanese</source>
        <translation>Japanese</translation>
    </message>
    <message>
        <source>简体中文</source>
        <translation>简体中文</translation>
    </message>
    <message>
        <source>多机模式</source>
        <translation>Multiple cameras</translation>
    </message>
    <message>
        <source>单机模式</source>
        <translation>Single camera</translation>
    </message>
    <message>
        <source>始终保持最新(推荐)</source>
        <translation>Always keep up to date (recommended)</translation>
    </message>
    <message>
        <source>开机时自启动本软件</source>
        <translation>Start this software when the computer starts</translation>
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
    <name>OptionMenu</name>
    <message>
        <source>移除设备</source>
        <translation>Remove camera</translation>
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
    <name>SearchDevice</name>
    <message>
        <source>搜寻设备</source>
        <translation>Search for cameras</translation>
    </message>
    <message>
        <source>正在搜寻附近设备中</source>
        <translation>Searching for nearby cameras</translation>
    </message>
    <message>
        <source>这可能需要一段时间，请不要退出</source>
        <translation>This may take a while. Please do not quit.</translation>
    </message>
    <message>
        <source>抱歉未找到对应设备</source>
        <translation>Sorry, no camera was found</translation>
    </message>
    <message>
        <source>1、确保相机已联网，且与电脑在同一网络下</source>
        <translation>1. Make sure the camera is online and on the same network as this PC</translation>
    </message>
    <message>
        <source>2、确保相机无线相机模式已在工作中</source>
        <translation>2. Make sure the camera&apos;s wireless camera mode is running</translation>
    </message>
    <message>
        <source>3、如仍未解决，请尝试重启电脑再试</source>
        <translation>3. If that does not help, restart the PC and try again</translation>
    </message>
    <message>
        <source>重新搜索</source>
        <translation>Search again</translation>
    </message>
    <message>
        <source>检查更新</source>
        <translation>Check for updates</translation>
    </message>
    <message>
        <source>未发现设备？</source>
        <translation>No camera found?</translation>
    </message>
    <message>
        <source>当前版本：</source>
        <translation>Current version: </translation>
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
<context>
    <name>VirtualCam</name>
    <message>
        <source>添加</source>
        <translation>Add</translation>
    </message>
</context>
<context>
    <name>itemAddNewDev</name>
    <message>
        <source>添加更多设备</source>
        <translation>Add more cameras</translation>
    </message>
    <message>
        <source>添加</source>
        <translation>Add</translation>
    </message>
</context>
<context>
    <name>itemNewDev</name>
    <message>
        <source>设备名称</source>
        <translation>Camera name</translation>
    </message>
    <message>
        <source>连接</source>
        <translation>Connect</translation>
    </message>
</context>
<context>
    <name>itemOffline</name>
    <message>
        <source>正在连接…</source>
        <translation>Connecting…</translation>
    </message>
    <message>
        <source>连接失败</source>
        <translation>Connection failed</translation>
    </message>
    <message>
        <source>重连</source>
        <translation>Retry</translation>
    </message>
    <message>
        <source>未连接</source>
        <translation>Not connected</translation>
    </message>
    <message>
        <source>刷新</source>
        <translation>Refresh</translation>
    </message>
</context>
<context>
    <name>itemOldDev</name>
    <message>
        <source>已连接</source>
        <translation>Connected</translation>
    </message>
    <message>
        <source>配对虚拟摄像机</source>
        <translation>Pair virtual cameras</translation>
    </message>
    <message>
        <source>管理虚拟相机</source>
        <translation>Manage virtual cameras</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>确认</source>
        <translation>Confirm</translation>
    </message>
</context>
<context>
    <name>taryWidget</name>
    <message>
        <source>星隼无线相机助手</source>
        <translation>Kestra Wireless Camera Assistant</translation>
    </message>
    <message>
        <source>发现以下可连接的设备</source>
        <translation>Cameras ready to connect</translation>
    </message>
    <message>
        <source>刷新</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>我的设备 (1)</source>
        <translation>My cameras (1)</translation>
    </message>
    <message>
        <source>未发现设备？</source>
        <translation>No camera found?</translation>
    </message>
    <message>
        <source>已连接</source>
        <translation>Connected</translation>
    </message>
    <message>
        <source>已配对虚拟摄像机Kestra Camera</source>
        <translation>Paired with virtual camera Kestra Camera</translation>
    </message>
    <message>
        <source>可在其他应用调用Kestra Camera获取画面</source>
        <translation>Other apps can use Kestra Camera to get the picture</translation>
    </message>
    <message>
        <source>单机模式</source>
        <translation>Single camera</translation>
    </message>
    <message>
        <source>切换至多机模式</source>
        <translation>Switch to multiple cameras</translation>
    </message>
    <message>
        <source>登录成功</source>
        <translation>Signed in</translation>
    </message>
    <message>
        <source>多机模式</source>
        <translation>Multiple cameras</translation>
    </message>
    <message>
        <source>切换至单机模式</source>
        <translation>Switch to single camera</translation>
    </message>
    <message>
        <source>切换其他设备</source>
        <translation>Switch to another camera</translation>
    </message>
    <message>
        <source>切换</source>
        <translation>Switch</translation>
    </message>
    <message>
        <source>我的设备</source>
        <translation>My cameras</translation>
    </message>
    <message>
        <source>确认要退出吗?</source>
        <translation>Quit?</translation>
    </message>
    <message>
        <source>退出会关闭无线相机的功能</source>
        <translation>Quitting turns off the wireless cameras.</translation>
    </message>
    <message>
        <source>退出</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>无法移除设备!</source>
        <translation>Cannot remove the camera!</translation>
    </message>
    <message>
        <source>当前设备正在被调用，请停止调用再作尝试</source>
        <translation>The camera is in use. Stop using it and try again.</translation>
    </message>
    <message>
        <source>我知道了</source>
        <translation>Got it</translation>
    </message>
    <message>
        <source>无法进行切换!</source>
        <translation>Cannot switch!</translation>
    </message>
    <message>
        <source>确认要移除此设备吗?</source>
        <translation>Remove this camera?</translation>
    </message>
    <message>
        <source>移除</source>
        <translation>Remove</translation>
    </message>
</context>
<context>
    <name>trayMsgBox</name>
    <message>
        <source>星隼无线相机助手</source>
        <translation>Kestra Wireless Camera Assistant</translation>
    </message>
    <message>
        <source>星隼无线相机助手已经最小化托盘</source>
        <translation>Kestra Wireless Camera Assistant is minimised to the notification area</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
</context>
</TS>
