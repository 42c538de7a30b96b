<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>About</name>
    <message>
        <source>Link</source>
        <translation>Link</translation>
    </message>
    <message>
        <source>Velmora Software Homepage</source>
        <translation>Velmora Software Homepage</translation>
    </message>
    <message>
        <source>捐  赠</source>
        <translation>Donate</translation>
    </message>
    <message>
        <source>Donate</source>
        <translation>Donate</translation>
    </message>
    <message>
        <source>About</source>
        <translation>About</translation>
    </message>
    <message>
        <source>构建版本 %1</source>
        <translation>Build %1</translation>
    </message>
</context>
<context>
    <name>DriveInfo</name>
    <message>
        <source>空的</source>
        <translation>Empty</translation>
    </message>
    <message>
        <source>不完全的, 可以附加</source>
        <translation>Incomplete, can be appended to</translation>
    </message>
    <message>
        <source>完全的</source>
        <translation>Complete</translation>
    </message>
    <message>
        <source>不完全的, 不固定</source>
        <translation>Incomplete, not closed</translation>
    </message>
    <message>
        <source>否</source>
        <translation>No</translation>
    </message>
    <message>
        <source>是</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>Long strategy type (菁蓝, AZO)</source>
        <translation>Long strategy type (cyanine, AZO)</translation>
    </message>
    <message>
        <source>Short strategy type (酞菁染料)</source>
        <translation>Short strategy type (phthalocyanine)</translation>
    </message>
    <message>
        <source>设备信息</source>
        <translation>Device information</translation>
    </message>
    <message>
        <source>厂家识别码</source>
        <translation>Vendor identification</translation>
    </message>
    <message>
        <source>产品识别码</source>
        <translation>Product identification</translation>
    </message>
    <message>
        <source>产品修订版</source>
        <translation>Product revision</translation>
    </message>
    <message>
        <source>厂家名称</source>
        <translation>Vendor name</translation>
    </message>
    <message>
        <source>读取模式</source>
        <translation>Read modes</translation>
    </message>
    <message>
        <source>写入模式</source>
        <translation>Write modes</translation>
    </message>
    <message>
        <source>读取速率</source>
        <translation>Read speed</translation>
    </message>
    <message>
        <source>写入速率</source>
        <translation>Write speed</translation>
    </message>
    <message>
        <source>缓冲区大小</source>
        <translation>Buffer size</translation>
    </message>
    <message>
        <source>数据容量</source>
        <translation>Data capacity</translation>
    </message>
    <message>
        <source>ATIP 信息</source>
        <translation>ATIP information</translation>
    </message>
    <message>
        <source>参照速率</source>
        <translation>Reference speed</translation>
    </message>
    <message>
        <source>最低记录速度</source>
        <translation>Lowest recording speed</translation>
    </message>
    <message>
        <source>最高记录速度</source>
        <translation>Highest recording speed</translation>
    </message>
    <message>
        <source>唱片类型</source>
        <translation>Disc type</translation>
    </message>
    <message>
        <source>唱片图表类型</source>
        <translation>Disc sub-type</translation>
    </message>
    <message>
        <source>制造商</source>
        <translation>Manufacturer</translation>
    </message>
    <message>
        <source>制造商 (MSF)</source>
        <translation>Manufacturer (MSF)</translation>
    </message>
    <message>
        <source>唱片信息</source>
        <translation>Disc information</translation>
    </message>
    <message>
        <source>唱片状态</source>
        <translation>Disc status</translation>
    </message>
    <message>
        <source>最后期间状态</source>
        <translation>Last session state</translation>
    </message>
    <message>
        <source>是可擦写</source>
        <translation>Erasable</translation>
    </message>
    <message>
        <source>无限制使用</source>
        <translation>Unrestricted use</translation>
    </message>
    <message>
        <source>未定义的</source>
        <translation>Undefined</translation>
    </message>
    <message>
        <source>未知的</source>
        <translation>Unknown</translation>
    </message>
</context>
<context>
    <name>Isrc</name>
    <message>
        <source>音频轨道 %d</source>
        <translation>Audio track %d</translation>
    </message>
    <message>
        <source>数据轨道 %d</source>
        <translation>Data track %d</translation>
    </message>
</context>
<context>
    <name>Lists</name>
    <message>
        <source>频带上限 %1 kHz，渐降</source>
        <translation>band limit %1 kHz, gradual</translation>
    </message>
    <message>
        <source>频带上限 %1 kHz，陡峭</source>
        <translation>band limit %1 kHz, sharp</translation>
    </message>
    <message>
        <source>频带上限 %1 kHz，陡峭：典型的有损编码</source>
        <translation>band limit %1 kHz, sharp: typical of a lossy encoding</translation>
    </message>
    <message>
        <source> 或 </source>
        <translation> or </translation>
    </message>
    <message>
        <source>频带上限 %1 kHz，陡峭：典型的有损编码（%2）</source>
        <translation>band limit %1 kHz, sharp: typical of a lossy encoding (%2)</translation>
    </message>
    <message>
        <source>结论不是 MPEG，但频带上限像有损编码</source>
        <translation>the verdict is not MPEG, but the band limit is a lossy encoding&apos;s</translation>
    </message>
    <message>
        <source>Tracks</source>
        <translation>Tracks</translation>
    </message>
    <message>
        <source>文件名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>开始时间</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>播放时间</source>
        <translation>Length</translation>
    </message>
    <message>
        <source>大小, Mb</source>
        <translation>Size, Mb</translation>
    </message>
    <message>
        <source>Uptime</source>
        <translation>Uptime</translation>
    </message>
    <message>
        <source>错误</source>
        <translation>Errors</translation>
    </message>
    <message>
        <source>状态</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>CD information</source>
        <translation>CD information</translation>
    </message>
    <message>
        <source>Parameter</source>
        <translation>Parameter</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>Track</source>
        <translation>Track</translation>
    </message>
    <message>
        <source>Country</source>
        <translation>Country</translation>
    </message>
    <message>
        <source>Publisher</source>
        <translation>Publisher</translation>
    </message>
    <message>
        <source>Year</source>
        <translation>Year</translation>
    </message>
    <message>
        <source>Media Catalog Number</source>
        <translation>Media Catalog Number</translation>
    </message>
    <message>
        <source>读取光盘 (Ctrl+R) 或打开光盘映像 (Ctrl+O)</source>
        <translation>Read a disc (Ctrl+R) or open an image (Ctrl+O)</translation>
    </message>
    <message>
        <source>ISRC</source>
        <translation>ISRC</translation>
    </message>
</context>
<context>
    <name>Message</name>
    <message>
        <source>INSUFFICIENT MEMORY AVAILABLE!</source>
        <translation>INSUFFICIENT MEMORY AVAILABLE!</translation>
    </message>
    <message>
        <source>CAN&apos;T OPEN SELECTED DRIVE!</source>
        <translation>CAN&apos;T OPEN SELECTED DRIVE!</translation>
    </message>
    <message>
        <source>can&apos;t store the display data in %s: %s</source>
        <translation>can&apos;t store the display data in %s: %s</translation>
    </message>
</context>
<context>
    <name>Pages</name>
    <message>
        <source>Console</source>
        <translation>Console</translation>
    </message>
    <message>
        <source>Spectrogram</source>
        <translation>Spectrogram</translation>
    </message>
    <message>
        <source>Frequency profile</source>
        <translation>Frequency profile</translation>
    </message>
    <message>
        <source>Track</source>
        <translation>Track</translation>
    </message>
    <message>
        <source>Track %1</source>
        <translation>Track %1</translation>
    </message>
    <message>
        <source>Save picture…</source>
        <translation>Save picture…</translation>
    </message>
    <message>
        <source>Save picture</source>
        <translation>Save picture</translation>
    </message>
    <message>
        <source>PNG pictures (*.png)</source>
        <translation>PNG pictures (*.png)</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>&lt;h3&gt;The help is not installed&lt;/h3&gt;&lt;p&gt;%1 was not found.&lt;/p&gt;</source>
        <translation>&lt;h3&gt;The help is not installed&lt;/h3&gt;&lt;p&gt;%1 was not found.&lt;/p&gt;</translation>
    </message>
    <message>
        <source>Mode</source>
        <translation>Mode</translation>
    </message>
</context>
<context>
    <name>Pictures</name>
    <message>
        <source>m:s</source>
        <translation>m:s</translation>
    </message>
    <message>
        <source>kHz</source>
        <translation>kHz</translation>
    </message>
    <message>
        <source>dB</source>
        <translation>dB</translation>
    </message>
    <message>
        <source>截止频率 %1 kHz</source>
        <translation>cutoff %1 kHz</translation>
    </message>
    <message>
        <source>频带上限 %1 kHz（陡峭）</source>
        <translation>band limit %1 kHz (sharp)</translation>
    </message>
    <message>
        <source>频带上限 %1 kHz（渐降）</source>
        <translation>band limit %1 kHz (gradual)</translation>
    </message>
    <message>
        <source>Left Channel</source>
        <translation>Left Channel</translation>
    </message>
    <message>
        <source>Right Channel</source>
        <translation>Right Channel</translation>
    </message>
    <message>
        <source>%1:%2  %3 kHz  left channel</source>
        <translation>%1:%2  %3 kHz  left channel</translation>
    </message>
    <message>
        <source>%1:%2  %3 kHz  right channel</source>
        <translation>%1:%2  %3 kHz  right channel</translation>
    </message>
    <message>
        <source>%1 kHz  left %2 dB  right %3 dB</source>
        <translation>%1 kHz  left %2 dB  right %3 dB</translation>
    </message>
</context>
<context>
    <name>Report</name>
    <message>
        <source>音轨: %02d</source>
        <translation>Track: %02d</translation>
    </message>
    <message>
        <source>经过加工的数据块: %d</source>
        <translation>Processed data blocks: %d</translation>
    </message>
    <message>
        <source>没有足够的数据来分析</source>
        <translation>Not enough data to analyse</translation>
    </message>
    <message>
        <source>最大频率: %s</source>
        <translation>Maximum frequency: %s</translation>
    </message>
    <message>
        <source>光谱峰值: %s at %s Hz</source>
        <translation>Spectrum peak: %s at %s Hz</translation>
    </message>
    <message>
        <source>最小分散阶段: %s</source>
        <translation>Minimum phase spread: %s</translation>
    </message>
    <message>
        <source>统计信息 (1,2): %06ld %06ld, %s</source>
        <translation>Statistics (1,2): %06ld %06ld, %s</translation>
    </message>
    <message>
        <source>统计信息 (3,4): %06ld %06ld, %s</source>
        <translation>Statistics (3,4): %06ld %06ld, %s</translation>
    </message>
    <message>
        <source>完成阶段: %d</source>
        <translation>Stages completed: %d</translation>
    </message>
    <message>
        <source>阶段 %d 结果为: %s, 概率为: %s</source>
        <translation>Stage %d result: %s, probability: %s</translation>
    </message>
    <message>
        <source>音轨结论: %s</source>
        <translation>Track verdict: %s</translation>
    </message>
    <message>
        <source>光盘结论: %s 的概率为 %s</source>
        <translation>Disc verdict: %s with probability %s</translation>
    </message>
</context>
<context>
    <name>TrackRow</name>
    <message>
        <source>未知的</source>
        <translation>Undecided</translation>
    </message>
    <message>
        <source>光盘结论</source>
        <translation>Disc verdict</translation>
    </message>
    <message>
        <source>读取失败</source>
        <translation>Read failed</translation>
    </message>
    <message>
        <source>音频轨道 %02d</source>
        <translation>Audio track %02d</translation>
    </message>
</context>
<context>
    <name>Window</name>
    <message>
        <source>读取新的光盘</source>
        <translation>Read new disc</translation>
    </message>
    <message>
        <source>弹出光盘</source>
        <translation>Eject disc</translation>
    </message>
    <message>
        <source>分析光盘</source>
        <translation>Analyze disc</translation>
    </message>
    <message>
        <source>取消检查光盘</source>
        <translation>Cancel the analysis</translation>
    </message>
    <message>
        <source>Open disc image</source>
        <translation>Open disc image</translation>
    </message>
    <message>
        <source>Disc images and audio (*.cue *.flac *.wav *.aif *.aiff *.wv);;Cue sheets (*.cue);;All files (*)</source>
        <translation>Disc images and audio (*.cue *.flac *.wav *.aif *.aiff *.wv);;Cue sheets (*.cue);;All files (*)</translation>
    </message>
    <message>
        <source>Ossel 分析器</source>
        <translation>Ossel Analyzer</translation>
    </message>
    <message>
        <source>Ossel 分析器 - 1.2</source>
        <translation>Ossel Analyzer - 1.2</translation>
    </message>
    <message>
        <source>Drive</source>
        <translation>Drive</translation>
    </message>
    <message>
        <source>Skip mode</source>
        <translation>Skip mode</translation>
    </message>
    <message>
        <source>Read one piece in n</source>
        <translation>Read one piece in n</translation>
    </message>
    <message>
        <source>&amp;Tracks</source>
        <translation>&amp;Tracks</translation>
    </message>
    <message>
        <source>&amp;CD Info</source>
        <translation>&amp;CD Info</translation>
    </message>
    <message>
        <source>&amp;ISRC Info</source>
        <translation>&amp;ISRC Info</translation>
    </message>
    <message>
        <source>光谱(&amp;S)</source>
        <translation>&amp;Spectrum</translation>
    </message>
    <message>
        <source>频率(&amp;F)</source>
        <translation>&amp;Frequency</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>&amp;About</translation>
    </message>
    <message>
        <source>控制台(&amp;O)</source>
        <translation>C&amp;onsole</translation>
    </message>
</context>
</TS>
