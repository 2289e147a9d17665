#pragma once

#include "wendra/com.h"
#include "wo_internal_export.h"

#include <QString>

// What the in-process server keeps across its objects: the count of live objects
// and server locks that DllCanUnloadNow answers from, and the error behind the last
// failed method call of this thread.
namespace wo::com::server {

void objectCreated();
void objectDestroyed();
void lock(bool on);
WO_INTERNAL long liveObjects();
WO_INTERNAL long locks();
bool canUnload();

// Records the error a method reports with WO_DISP_E_EXCEPTION.
WO_INTERNAL HRESULT setErrorInfo(int number, const QString& description);
WO_INTERNAL int errorNumber();
WO_INTERNAL QString errorDescription();

// Runs a method body: exceptions become WO_DISP_E_EXCEPTION with their error
// info, so none crosses the interface.
template <typename F> HRESULT guard(F&& body) noexcept;

} // namespace wo::com::server

#include "platform/Error.h"

template <typename F> HRESULT wo::com::server::guard(F&& body) noexcept {
    try {
        body();
        return WO_S_OK;
    } catch (const wo::Error& e) {
        return setErrorInfo(e.number(), e.description());
    } catch (const std::exception& e) {
        return setErrorInfo(WO_E_FAIL, QString::fromLocal8Bit(e.what()));
    } catch (...) {
        return setErrorInfo(WO_E_FAIL, QStringLiteral("unknown error"));
    }
}
