#include "win32/image_list_win32.h"

#include <commctrl.h>

namespace ambrel {

ImageListControl::~ImageListControl() {
    if (m_list) ImageList_Destroy(m_list);
}

bool ImageListControl::Create(const std::vector<int>& iconResources) {
    // The small-icon size of the system's DPI: 16 at 96, 24 at 144.
    const int width = GetSystemMetrics(SM_CXSMICON), height = GetSystemMetrics(SM_CYSMICON);
    m_list = ImageList_Create(width, height, ILC_COLOR32 | ILC_MASK, static_cast<int>(iconResources.size()), 0);
    if (!m_list) return false;
    for (int resource : iconResources) {
        HICON icon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(resource), IMAGE_ICON,
                                                   width, height, LR_DEFAULTCOLOR));
        if (!icon) return false;
        ImageList_AddIcon(m_list, icon);
        DestroyIcon(icon);
    }
    return true;
}

int ImageListControl::Count() const { return m_list ? ImageList_GetImageCount(m_list) : 0; }

bool CreateRunImages(ImageListControl& images) { return images.Create({kIconRun, kIconDontRun}); }

void SetProgramIcons(HWND window) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    HANDLE large = LoadImageA(instance, MAKEINTRESOURCEA(kIconAmbrel), IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                              GetSystemMetrics(SM_CYICON), LR_SHARED);
    HANDLE small = LoadImageA(instance, MAKEINTRESOURCEA(kIconAmbrel), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                              GetSystemMetrics(SM_CYSMICON), LR_SHARED);
    SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(large));
    SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
}

}  // namespace ambrel
