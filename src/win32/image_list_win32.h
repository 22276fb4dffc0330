#pragma once
// The small images of the list views: picture 1 means "run", picture 2
// "don't run". Icons of the program's own resources.

#include <windows.h>
#include <commctrl.h>

#include <vector>

namespace ambrel {

// Resource numbers of the project's icons (see widgets.rc).
inline constexpr int kIconAmbrel = 101;

// Gives a top-level window the program's icon, large and small (the taskbar,
// Alt+Tab, the caption). Both are the system's shared copies: never destroyed.
void SetProgramIcons(HWND window);
inline constexpr int kIconRun = 102;
inline constexpr int kIconDontRun = 103;
inline constexpr int kIconUp = 104;
inline constexpr int kIconDown = 105;

class ImageListControl {
public:
    ImageListControl() = default;
    ~ImageListControl();
    ImageListControl(const ImageListControl&) = delete;
    ImageListControl& operator=(const ImageListControl&) = delete;

    // A list of small (16 x 16) icons loaded from the program's resources,
    // in order: the first becomes picture 1.
    bool Create(const std::vector<int>& iconResources);
    HIMAGELIST Handle() const { return m_list; }
    int Count() const;

private:
    HIMAGELIST m_list = nullptr;
};

// The two pictures of the run lists.
bool CreateRunImages(ImageListControl& images);

}  // namespace ambrel
