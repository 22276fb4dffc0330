#include "win32/image_list_win32.h"

#include <commctrl.h>

namespace ambrel {

ImageListControl::~ImageListControl() {
    if (m_list) ImageList_Destroy(m_list);
}

bool ImageListControl::Create(const std::vector<int>& iconResources) {
    m_list = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, static_cast<int>(iconResources.size()), 0);
    if (!m_list) return false;
    for (int resource : iconResources) {
        HICON icon = static_cast<HICON>(
            LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(resource), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
        if (!icon) return false;
        ImageList_AddIcon(m_list, icon);
        DestroyIcon(icon);
    }
    return true;
}

int ImageListControl::Count() const { return m_list ? ImageList_GetImageCount(m_list) : 0; }

bool CreateRunImages(ImageListControl& images) { return images.Create({kIconRun, kIconDontRun}); }

}  // namespace ambrel
