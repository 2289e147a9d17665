#pragma once

#include <QList>
#include <QString>
#include <functional>

// What the scanner's settings dialog offers and what the user chooses in it.
namespace wo::dialogs {

struct ScanDevice {
    QString name;        // the device name the scanner library opens, such as "test:0"
    QString description; // maker and model, as shown to the user
};

enum class ScanColor { Lineart = 1, Gray = 2, Color = 3 };
enum class ScanSource { Flatbed = 0, Feeder = 1 };

struct ScanSettings {
    QList<ScanDevice> devices; // the devices to choose from
    QList<int> resolutions;    // the resolutions to choose from, in dots per inch
    QString device;            // the chosen device's name
    ScanColor color = ScanColor::Color;
    int resolution = 300;
    ScanSource source = ScanSource::Feeder;
    int pages = 0; // from the feeder, at most this many sheets; 0 takes all it holds
};

// The progress window of a running scan, with its Cancel button.
class ScanProgress {
public:
    virtual ~ScanProgress() = default;
    // `lines` of `total` lines of page `page` (from 1) are read; total is -1 when
    // the scanner does not know the page's length.
    virtual void update(int page, int lines, int total) = 0;
    // True once the user has pressed Cancel.
    bool cancelled() const { return m_cancelled; }
    // `handler` runs when Cancel is pressed, so a waiting caller need not poll.
    void onCancel(std::function<void()> handler) { m_onCancel = std::move(handler); }

protected:
    // The implementations' Cancel button: marks the scan cancelled, once.
    void cancel() {
        if (m_cancelled)
            return;
        m_cancelled = true;
        if (m_onCancel)
            m_onCancel();
    }

private:
    bool m_cancelled = false;
    std::function<void()> m_onCancel;
};

} // namespace wo::dialogs
