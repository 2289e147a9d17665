#include "ui/viewer/ViewerCommands.h"

#include <array>

namespace wo::ui {

namespace {

using imaging::ImageView;

// Zoom changes by this many percentage points per step; below the floor it stops.
constexpr double kZoomStep = 10;
constexpr double kZoomOutFloor = 12;

bool always(const ViewerState&) {
    return true;
}
bool onImage(const ViewerState& s) {
    return s.imageShown;
}
bool notSelecting(const ViewerState& s) {
    return s.imageShown && !s.selecting;
}
bool selecting(const ViewerState& s) {
    return s.imageShown && s.selecting;
}
bool paged(const ViewerState& s) {
    return s.imageShown && s.pageCount > 1;
}
bool pageBack(const ViewerState& s) {
    return paged(s) && s.page != 1;
}
bool pageOn(const ViewerState& s) {
    return paged(s) && s.page != s.pageCount;
}
bool documentBack(const ViewerState& s) {
    return s.documentCount > 1 && s.document != 1;
}
bool documentOn(const ViewerState& s) {
    return s.documentCount > 1 && s.document != s.documentCount;
}

void fitTo(ViewerActions& a, ImageView::Fit fit) {
    a.fit(fit);
    a.refresh();
}

constexpr std::array<CommandEntry, 19> kCommands{{
    {Command::ZoomIn, u"ZoomIn", u"放大", 1, false, Qt::Key_Plus, onImage,
     [](ViewerActions& a) { a.zoomBy(kZoomStep); }},
    {Command::ZoomOut, u"ZoomOut", u"缩小", 2, false, Qt::Key_Minus, onImage,
     [](ViewerActions& a) {
         if (a.zoomPercent() > kZoomOutFloor)
             a.zoomBy(-kZoomStep);
     }},
    {Command::OwnFit, u"OwnFit", u"原始大小", 29, false, Qt::Key_unknown, onImage,
     [](ViewerActions& a) { fitTo(a, ImageView::ActualSize); }},
    {Command::FitShow, u"FitShow", u"最佳匹配", 20, false, Qt::Key_unknown, onImage,
     [](ViewerActions& a) { fitTo(a, ImageView::BestFit); }},
    {Command::FitWidth, u"FitWidth", u"宽度匹配", 21, false, Qt::Key_unknown, onImage,
     [](ViewerActions& a) { fitTo(a, ImageView::FitToWidth); }},
    {Command::Select, u"Select", u"选择区域", 5, true, Qt::Key_unknown, notSelecting,
     [](ViewerActions& a) { a.setSelecting(true); }},
    {Command::ZoomSize, u"ZoomSize", u"局部放大", 6, false, Qt::Key_unknown, selecting,
     [](ViewerActions& a) { a.zoomToSelection(); }},
    {Command::Init, u"Init", u"恢复选择", 7, false, Qt::Key_unknown, selecting,
     [](ViewerActions& a) { a.refresh(); }},
    {Command::RotateLeft, u"RotateLeft", u"向左旋转90度", 18, true, Qt::Key_unknown, onImage,
     [](ViewerActions& a) { a.rotate(false); }},
    {Command::RotateRight, u"RotateRight", u"向右旋转90度", 17, false, Qt::Key_unknown, onImage,
     [](ViewerActions& a) { a.rotate(true); }},
    {Command::First, u"First", u"第一页", 10, true, Qt::Key_Home, pageBack,
     [](ViewerActions& a) { a.showPage(1); }},
    {Command::Previous, u"Previous", u"上一页", 11, false, Qt::Key_PageUp, pageBack,
     [](ViewerActions& a) {
         if (const int page = a.viewerState().page; page > 1)
             a.showPage(page - 1);
     }},
    {Command::Next, u"Next", u"下一页", 12, false, Qt::Key_PageDown, pageOn,
     [](ViewerActions& a) {
         if (const ViewerState s = a.viewerState(); s.page < s.pageCount)
             a.showPage(s.page + 1);
     }},
    {Command::Last, u"Last", u"最后一页", 13, false, Qt::Key_End, pageOn,
     [](ViewerActions& a) { a.showPage(a.viewerState().pageCount); }},
    {Command::Print, u"Print", u"打印", 14, true, Qt::Key_unknown, always,
     [](ViewerActions& a) { a.print(); }},
    {Command::PreFile, u"PreFile", u"上一份原文", 19, true, Qt::Key_unknown, documentBack,
     [](ViewerActions& a) { a.moveToDocument(-1); }},
    {Command::NextFile, u"NextFile", u"下一份原文", 15, false, Qt::Key_unknown, documentOn,
     [](ViewerActions& a) { a.moveToDocument(1); }},
    {Command::ShowLV, u"ShowLV", u"隐藏导航条", 27, false, Qt::Key_unknown, always,
     [](ViewerActions& a) { a.toggleNavigation(); }},
    {Command::Exit, u"Exit", u"退出", 16, true, Qt::Key_unknown, always, [](ViewerActions& a) { a.exit(); }},
}};

constexpr bool inOrder() {
    for (size_t i = 0; i < kCommands.size(); ++i)
        if (size_t(kCommands[i].command) != i)
            return false;
    return true;
}
static_assert(inOrder(), "the table lists every command at its own position");

} // namespace

std::span<const CommandEntry> commands() {
    return kCommands;
}

const CommandEntry& commandEntry(Command command) {
    return kCommands.at(size_t(command));
}

std::optional<Command> commandNamed(QStringView key) {
    for (const CommandEntry& c : kCommands)
        if (c.key == key)
            return c.command;
    return std::nullopt;
}

bool commandEnabled(Command command, const ViewerState& state) {
    return commandEntry(command).enabled(state);
}

std::optional<Command> commandOfKey(QKeyCombination key) {
    if (key.key() == Qt::Key_unknown)
        return std::nullopt;
    for (const CommandEntry& c : kCommands)
        if (c.pageKey == key.key())
            return c.command;
    return std::nullopt;
}

} // namespace wo::ui
