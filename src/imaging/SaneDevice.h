#pragma once

#include "platform/Error.h"
#include "platform/dialogs/ScanSettings.h"

#include <QList>
#include <QString>
#include <sane/sane.h>

// The scanner library and one open device. Used on the user-interface thread only.
namespace wo::imaging {

// The scanner library's status as error err::ScannerBase + status.
Error saneError(SANE_Status status, const QString& step);

// Keeps the library initialised while at least one session lives, so that
// scanners and hosts that load us twice do not end it under each other.
class SaneSession {
public:
    SaneSession();
    ~SaneSession();
    SaneSession(const SaneSession&) = delete;
    SaneSession& operator=(const SaneSession&) = delete;

    // The scanners attached to this machine; network scanners are not searched,
    // so the list comes without waiting on the network.
    QList<dialogs::ScanDevice> devices() const;
};

// An open device. Options are found by their standard names and set to the
// nearest value the device offers; an option the device lacks is left alone.
class SaneDevice {
public:
    SaneDevice(const SaneSession& session, const QString& name);
    ~SaneDevice();
    SaneDevice(const SaneDevice&) = delete;
    SaneDevice& operator=(const SaneDevice&) = delete;

    // A device without a black-and-white mode gives lineart as 1-bit grey where it
    // can, else grey.
    void setColor(dialogs::ScanColor color);
    // True when the device now feeds its pages from a document feeder.
    bool setSource(dialogs::ScanSource source);
    // The resolution the device took; 0 when it has no resolution setting.
    double setResolution(int dpi);

    // Starts a page; GOOD, NO_DOCS and CANCELLED are for the caller to judge.
    SANE_Status start();
    SANE_Parameters parameters() const;
    // GOOD, EOF at the end of a page, or CANCELLED; other states throw.
    SANE_Status read(SANE_Byte* buffer, SANE_Int size, SANE_Int* length);

private:
    // The index of a settable, active option, or -1.
    int option(const char* name) const;
    const SANE_Option_Descriptor* descriptor(int index) const;
    void setValue(int index, void* value, const QString& step);
    // Sets a string option to the first of its values whose key (letters only,
    // lower case) is one of `keys`, preferring earlier keys; false when none is.
    bool setChoice(const char* name, const QStringList& keys);
    bool setDepth(int bits);

    SANE_Handle m_handle = nullptr;
    QString m_name;
};

} // namespace wo::imaging
