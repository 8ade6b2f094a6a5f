#include "ui/BannerBitmap.h"

#include <windows.h>

#include "lib/FileOps.h"
#include "payload/CabinetResources.h"

Kestlib::BitmapHandle LoadBanner(const std::wstring& dialogBitmap) {
    if (!dialogBitmap.empty() && Kestlib::FileExists(dialogBitmap))
        return Kestlib::BitmapHandle(Kestlib::LoadBitmapFile(dialogBitmap));
    HMODULE program = ::GetModuleHandleW(nullptr);
    if (!::FindResourceW(program, BannerResourceName, BannerResourceType)) return Kestlib::BitmapHandle();
    return Kestlib::BitmapHandle(Kestlib::LoadBitmapResource(program, BannerResourceName, BannerResourceType));
}
