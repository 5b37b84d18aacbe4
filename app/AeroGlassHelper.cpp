#include "app/AeroGlassHelper.h"

#include "app/host/HostServices.h"

CAeroGlassHelper::CAeroGlassHelper() : m_dwmapi(CHostServices::Current().DwmModule()) {}

CAeroGlassHelper::~CAeroGlassHelper() = default;

bool CAeroGlassHelper::IsWindows10OrLater() const {
    return CHostServices::Current().IsWindows10OrLater();
}

void CAeroGlassHelper::EnableBlur(WId window, void*) {
    m_window = window;
    CHostServices::Current().EnableBlur(window);
}
