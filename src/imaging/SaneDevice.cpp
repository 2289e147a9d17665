#include "imaging/SaneDevice.h"

#include <QByteArray>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <sane/saneopts.h>

namespace wo::imaging {

namespace {

int g_sessions = 0;

// Letters only, lower case: "Automatic Document Feeder" -> "automaticdocumentfeeder".
QString key(const char* value) {
    QString k;
    for (const QChar c : QString::fromUtf8(value))
        if (c.isLetterOrNumber())
            k += c.toLower();
    return k;
}

double toDouble(const SANE_Option_Descriptor* d, SANE_Word w) {
    return d->type == SANE_TYPE_FIXED ? SANE_UNFIX(w) : double(w);
}

SANE_Word toWord(const SANE_Option_Descriptor* d, double v) {
    return d->type == SANE_TYPE_FIXED ? SANE_FIX(v) : SANE_Word(std::lround(v));
}

// The value the option allows that lies nearest to `wanted`.
double nearestAllowed(const SANE_Option_Descriptor* d, double wanted) {
    if (d->constraint_type == SANE_CONSTRAINT_RANGE) {
        const SANE_Range* r = d->constraint.range;
        const double lo = toDouble(d, r->min);
        const double hi = toDouble(d, r->max);
        const double quant = toDouble(d, r->quant);
        double v = std::clamp(wanted, lo, hi);
        if (quant > 0)
            v = std::min(hi, lo + std::round((v - lo) / quant) * quant);
        return v;
    }
    if (d->constraint_type == SANE_CONSTRAINT_WORD_LIST) {
        const SANE_Word* list = d->constraint.word_list;
        double best = wanted;
        for (SANE_Word i = 1; i <= list[0]; ++i) {
            const double v = toDouble(d, list[i]);
            if (i == 1 || std::abs(v - wanted) < std::abs(best - wanted))
                best = v;
        }
        return best;
    }
    return wanted;
}

} // namespace

Error saneError(SANE_Status status, const QString& step) {
    return err::make(err::ScannerBase + int(status), QStringLiteral("（") + step + QStringLiteral("）") +
                                                         QString::fromUtf8(sane_strstatus(status)));
}

SaneSession::SaneSession() {
    if (g_sessions == 0) {
        SANE_Int version = 0;
        const SANE_Status status = sane_init(&version, nullptr);
        if (status != SANE_STATUS_GOOD)
            throw saneError(status, QStringLiteral("初始化"));
    }
    ++g_sessions;
}

SaneSession::~SaneSession() {
    if (--g_sessions == 0)
        sane_exit();
}

QList<dialogs::ScanDevice> SaneSession::devices() const {
    const SANE_Device** list = nullptr;
    const SANE_Status status = sane_get_devices(&list, SANE_TRUE);
    if (status != SANE_STATUS_GOOD)
        throw saneError(status, QStringLiteral("查找扫描仪"));
    QList<dialogs::ScanDevice> devices;
    for (; list && *list; ++list)
        devices.append(
            {QString::fromUtf8((*list)->name),
             QString::fromUtf8((*list)->vendor) + QLatin1Char(' ') + QString::fromUtf8((*list)->model)});
    return devices;
}

SaneDevice::SaneDevice(const SaneSession&, const QString& name) : m_name(name) {
    const SANE_Status status = sane_open(name.toUtf8().constData(), &m_handle);
    if (status != SANE_STATUS_GOOD)
        throw saneError(status, QStringLiteral("打开 ") + name);
}

SaneDevice::~SaneDevice() {
    // Ends a page or batch in progress, as the library requires before closing.
    sane_cancel(m_handle);
    sane_close(m_handle);
}

const SANE_Option_Descriptor* SaneDevice::descriptor(int index) const {
    return sane_get_option_descriptor(m_handle, index);
}

int SaneDevice::option(const char* name) const {
    // Option 0 holds the count, which may change whenever an option is set.
    SANE_Int count = 0;
    if (sane_control_option(m_handle, 0, SANE_ACTION_GET_VALUE, &count, nullptr) != SANE_STATUS_GOOD)
        return -1;
    for (int i = 1; i < count; ++i) {
        const SANE_Option_Descriptor* d = descriptor(i);
        if (d && d->name && qstrcmp(d->name, name) == 0)
            return SANE_OPTION_IS_ACTIVE(d->cap) && SANE_OPTION_IS_SETTABLE(d->cap) ? i : -1;
    }
    return -1;
}

void SaneDevice::setValue(int index, void* value, const QString& step) {
    const SANE_Status status = sane_control_option(m_handle, index, SANE_ACTION_SET_VALUE, value, nullptr);
    if (status != SANE_STATUS_GOOD)
        throw saneError(status, step);
}

bool SaneDevice::setChoice(const char* name, const QStringList& keys) {
    const int index = option(name);
    if (index < 0)
        return false;
    const SANE_Option_Descriptor* d = descriptor(index);
    if (d->type != SANE_TYPE_STRING || d->constraint_type != SANE_CONSTRAINT_STRING_LIST)
        return false;
    // Exact keys first, then values that begin with a key ("ADF Front" for "adf").
    for (const bool exact : {true, false})
        for (const QString& wanted : keys)
            for (const SANE_String_Const* v = d->constraint.string_list; *v; ++v) {
                const QString k = key(*v);
                if (exact ? k == wanted : k.startsWith(wanted)) {
                    QByteArray value(d->size, '\0');
                    qstrncpy(value.data(), *v, size_t(value.size()));
                    setValue(index, value.data(),
                             QString::fromUtf8(d->name) + QLatin1Char('=') + QString::fromUtf8(*v));
                    return true;
                }
            }
    return false;
}

bool SaneDevice::setDepth(int bits) {
    const int index = option(SANE_NAME_BIT_DEPTH);
    if (index < 0)
        return false;
    const SANE_Option_Descriptor* d = descriptor(index);
    if (d->type != SANE_TYPE_INT || nearestAllowed(d, bits) != bits)
        return false;
    SANE_Word value = bits;
    setValue(index, &value, QStringLiteral("depth=%1").arg(bits));
    return true;
}

void SaneDevice::setColor(dialogs::ScanColor color) {
    const QStringList gray{QStringLiteral("gray"), QStringLiteral("grey"), QStringLiteral("grayscale")};
    switch (color) {
    case dialogs::ScanColor::Lineart:
        if (setChoice(SANE_NAME_SCAN_MODE,
                      {QStringLiteral("lineart"), QStringLiteral("binary"), QStringLiteral("blackwhite")}))
            return;
        setChoice(SANE_NAME_SCAN_MODE, gray);
        setDepth(1);
        return;
    case dialogs::ScanColor::Gray:
        setChoice(SANE_NAME_SCAN_MODE, gray);
        break;
    case dialogs::ScanColor::Color:
        setChoice(SANE_NAME_SCAN_MODE,
                  {QStringLiteral("color"), QStringLiteral("colour"), QStringLiteral("rgb")});
        break;
    }
    setDepth(8);
}

bool SaneDevice::setSource(dialogs::ScanSource source) {
    if (source == dialogs::ScanSource::Feeder)
        return setChoice(SANE_NAME_SCAN_SOURCE,
                         {QStringLiteral("automaticdocumentfeeder"), QStringLiteral("adf"),
                          QStringLiteral("documentfeeder"), QStringLiteral("feeder")});
    setChoice(SANE_NAME_SCAN_SOURCE,
              {QStringLiteral("flatbed"), QStringLiteral("platen"), QStringLiteral("normal")});
    return false;
}

double SaneDevice::setResolution(int dpi) {
    const int index = option(SANE_NAME_SCAN_RESOLUTION);
    if (index < 0)
        return 0;
    const SANE_Option_Descriptor* d = descriptor(index);
    if (d->type != SANE_TYPE_INT && d->type != SANE_TYPE_FIXED)
        return 0;
    SANE_Word value = toWord(d, nearestAllowed(d, dpi));
    setValue(index, &value, QStringLiteral("resolution=%1").arg(dpi));
    // The device may round it further.
    if (sane_control_option(m_handle, index, SANE_ACTION_GET_VALUE, &value, nullptr) != SANE_STATUS_GOOD)
        return dpi;
    return toDouble(d, value);
}

SANE_Status SaneDevice::start() {
    return sane_start(m_handle);
}

SANE_Parameters SaneDevice::parameters() const {
    SANE_Parameters p{};
    const SANE_Status status = sane_get_parameters(m_handle, &p);
    if (status != SANE_STATUS_GOOD)
        throw saneError(status, QStringLiteral("读取页面参数"));
    return p;
}

SANE_Status SaneDevice::read(SANE_Byte* buffer, SANE_Int size, SANE_Int* length) {
    *length = 0;
    const SANE_Status status = sane_read(m_handle, buffer, size, length);
    if (status != SANE_STATUS_GOOD && status != SANE_STATUS_EOF && status != SANE_STATUS_CANCELLED)
        throw saneError(status, QStringLiteral("读取扫描数据"));
    return status;
}

} // namespace wo::imaging
