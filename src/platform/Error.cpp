#include "platform/Error.h"

namespace wo {

Error::Error(int number, QString description)
    : m_number(number), m_description(std::move(description)),
      m_what(QString::number(number).toUtf8() + ": " + m_description.toUtf8()) {}

namespace err {

const QList<Entry>& catalogue() {
    static const QList<Entry> entries = {
        {InvalidArgument, QStringLiteral("无效的过程调用或参数"),
         QStringLiteral("Invalid procedure call or argument")},
        {Overflow, QStringLiteral("溢出"), QStringLiteral("Overflow: a number is beyond its limit")},
        {TransferCancelled, QStringLiteral("传输已取消"), QStringLiteral("The user cancelled the transfer")},
        {BadFileName, QStringLiteral("文件名不合法"), QStringLiteral("Bad file name")},
        {FileNotFound, QStringLiteral("文件未找到"), QStringLiteral("File not found")},
        {DiskFull, QStringLiteral("磁盘已满"), QStringLiteral("Disk full")},
        {PermissionDenied, QStringLiteral("拒绝访问"),
         QStringLiteral("Permission denied (the file may be in use)")},
        {PathFileAccessError, QStringLiteral("路径/文件访问错误"), QStringLiteral("Path/file access error")},
        {PathNotFound, QStringLiteral("路径未找到"), QStringLiteral("Path not found")},
        {InvalidFileFormat, QStringLiteral("文件格式无效"),
         QStringLiteral("Invalid file format: not an image the viewer reads")},
        {InvalidPropertyValue, QStringLiteral("属性值无效"), QStringLiteral("Invalid property value")},
        {InvalidPicture, QStringLiteral("图片无效"), QStringLiteral("Invalid picture")},
        {PrinterError, QStringLiteral("打印机错误"), QStringLiteral("Printer error")},
        {InvalidFilter, QStringLiteral("筛选条件无效"), QStringLiteral("Invalid filter expression")},
        {NoCurrentRecord, QStringLiteral("没有当前记录"), QStringLiteral("No current record")},
        {ItemNotFound, QStringLiteral("在集合中找不到与所要求的名称或序号对应的项目"),
         QStringLiteral("Item not found in the collection")},
        {ObjectClosed, QStringLiteral("对象已关闭，不允许此操作"), QStringLiteral("The object is closed")},
        {ProviderNotFound, QStringLiteral("找不到数据库驱动程序，可能没有正确安装"),
         QStringLiteral("Database driver not found")},
        {NoConnection, QStringLiteral("连接已关闭或无效，不能执行此操作"),
         QStringLiteral("The connection is closed or invalid")},
        {ScannerBase + 1, QStringLiteral("扫描仪不支持该操作或页面格式"),
         QStringLiteral("Scanner: operation or page format not supported")},
        {ScannerBase + 2, QStringLiteral("扫描已取消"), QStringLiteral("Scanner: the scan was cancelled")},
        {ScannerBase + 3, QStringLiteral("扫描仪忙"), QStringLiteral("Scanner: the device is busy")},
        {ScannerBase + 4, QStringLiteral("扫描仪设置无效"), QStringLiteral("Scanner: invalid setting")},
        {ScannerBase + 5, QStringLiteral("扫描仪没有更多数据"), QStringLiteral("Scanner: no more data")},
        {ScannerBase + 6, QStringLiteral("扫描仪送纸器卡纸"),
         QStringLiteral("Scanner: the feeder is jammed")},
        {ScannerBase + 7, QStringLiteral("扫描仪送纸器中没有纸"),
         QStringLiteral("Scanner: the feeder is empty")},
        {ScannerBase + 8, QStringLiteral("扫描仪盖板已打开"), QStringLiteral("Scanner: the cover is open")},
        {ScannerBase + 9, QStringLiteral("扫描仪输入输出错误"),
         QStringLiteral("Scanner: input/output error")},
        {ScannerBase + 10, QStringLiteral("扫描仪内存不足"), QStringLiteral("Scanner: out of memory")},
        {ScannerBase + 11, QStringLiteral("拒绝访问扫描仪"), QStringLiteral("Scanner: access denied")},
        {NoAssociatedProgram, QStringLiteral("没有与该文件关联的程序"),
         QStringLiteral("No program is registered for the file")},
        {ProgramStartFailed, QStringLiteral("程序不能启动"),
         QStringLiteral("The program could not be started")},
        {ScannerProgramNotStarted, QStringLiteral("扫描程序不能启动"),
         QStringLiteral("The scanning program could not be started")},
        {ScannerProgramEnded, QStringLiteral("扫描程序意外结束"),
         QStringLiteral("The scanning program ended unexpectedly")},
        {NoDisplay,
         QStringLiteral("没有可用的显示（未设置DISPLAY、WAYLAND_DISPLAY或QT_QPA_PLATFORM），不能打开窗口"),
         QStringLiteral("No display: windows cannot be opened")},
        {NoWidgetApplication, QStringLiteral("宿主程序的Qt应用对象不能显示窗口（需要QApplication）"),
         QStringLiteral("The host's Qt application object cannot show windows")},
        {Busy, QStringLiteral("原文组件正在执行另一个调用，请等它结束后再试"),
         QStringLiteral("Called while another call of the component runs")},
        {SourceChanged, QStringLiteral("原文在添加过程中被修改，已存入的内容与原文大小不符，未添加"),
         QStringLiteral("The source file changed while it was stored; nothing was added")},
        {SearchUnavailable, QStringLiteral("无法建立原文文字表，全文检索不可用"),
         QStringLiteral("No page text tables: search is off")},
        {TextUnreadable, QStringLiteral("无法读出原文的文字"),
         QStringLiteral("The text of a document could not be read")},
        {PrintEnded, QStringLiteral("打印已结束"), QStringLiteral("Printing was ended")},
        {PrintDialogCancelled, QStringLiteral("打印已取消"),
         QStringLiteral("The print dialog was cancelled")},
        {ProviderError, QStringLiteral("数据库错误"),
         QStringLiteral("Database error without a number of the driver's own")},
    };
    return entries;
}

QString description(int number) {
    for (const Entry& entry : catalogue())
        if (entry.number == number)
            return entry.description;
    // A scanner status the library added after us.
    if (number > ScannerBase && number < NoAssociatedProgram)
        return QStringLiteral("扫描仪错误");
    return QString();
}

Error make(int number, const QString& detail) {
    const QString text = description(number);
    return Error(number, detail.isEmpty() ? text : text + QStringLiteral("：") + detail);
}

} // namespace err

QString errorText(int number, const QString& description) {
    return QStringLiteral("错误") + QString::number(number) + QStringLiteral("：") + description;
}

Error errorOf(const std::exception& e) {
    if (const auto* error = dynamic_cast<const Error*>(&e))
        return *error;
    return Error(-1, QString::fromLocal8Bit(e.what()));
}

} // namespace wo
