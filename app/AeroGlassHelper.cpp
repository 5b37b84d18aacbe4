#include "app/AeroGlassHelper.h"

#include "app/host/HostServices.h"

CAeroGlassHelper::CAeroGlassHelper() : dwmapi(CHostServices::Current().DwmModule()) {}

CAeroGlassHelper::~CAeroGlassHelper() = default;

bool CAeroGlassHelper::IsWindows10OrLater() const {
    return CHostServices::Current().IsWindows10OrLater();
}

void CAeroGlassHelper::EnableBlur(WId window, void*) {
    blurredWindow = window;
    CHostServices::Current().EnableBlur(window);
}
