#include "platform/Error.h"

namespace wo {

Error::Error(int number, QString description)
    : m_number(number), m_description(std::move(description)),
      m_what(QString::number(number).toUtf8() + ": " + m_description.toUtf8()) {}

namespace err {

QString description(int number) {
    switch (number) {
    case InvalidArgument:
        return QStringLiteral("无效的过程调用或参数");
    case Overflow:
        return QStringLiteral("溢出");
    case TransferCancelled:
        return QStringLiteral("传输已取消");
    case BadFileName:
        return QStringLiteral("文件名不合法");
    case FileNotFound:
        return QStringLiteral("文件未找到");
    case DiskFull:
        return QStringLiteral("磁盘已满");
    case PermissionDenied:
        return QStringLiteral("拒绝访问");
    case PathFileAccessError:
        return QStringLiteral("路径/文件访问错误");
    case PathNotFound:
        return QStringLiteral("路径未找到");
    case InvalidFileFormat:
        return QStringLiteral("文件格式无效");
    case InvalidPicture:
        return QStringLiteral("图片无效");
    case PrinterError:
        return QStringLiteral("打印机错误");
    case InvalidFilter:
        return QStringLiteral("筛选条件无效");
    case NoCurrentRecord:
        return QStringLiteral("没有当前记录");
    case ItemNotFound:
        return QStringLiteral("在集合中找不到与所要求的名称或序号对应的项目");
    case ProviderNotFound:
        return QStringLiteral("找不到数据库驱动程序，可能没有正确安装");
    case ObjectClosed:
        return QStringLiteral("对象已关闭，不允许此操作");
    case NoConnection:
        return QStringLiteral("连接已关闭或无效，不能执行此操作");
    case NoAssociatedProgram:
        return QStringLiteral("没有与该文件关联的程序");
    case ProgramStartFailed:
        return QStringLiteral("程序不能启动");
    case ScannerProgramNotStarted:
        return QStringLiteral("扫描程序不能启动");
    case ScannerProgramEnded:
        return QStringLiteral("扫描程序意外结束");
    case PrintDialogCancelled:
        return QStringLiteral("打印已取消");
    case SourceChanged:
        return QStringLiteral("原文在添加过程中被修改，已存入的内容与原文大小不符，未添加");
    case ProviderError:
        return QStringLiteral("数据库错误");
    default:
        return QString();
    }
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
