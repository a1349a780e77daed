#pragma once
// The editor's toolbar resources. Each toolbar N is three files in one directory (the
// program's own resources by default, see res/toolbars/):
//
//   toolbarN.txt      the button layout, a small text format:
//                       # comment lines and blank lines are ignored
//                       version 1
//                       image 16 15          image width and height in pixels
//                       items 11             number of ids that follow
//                       ids 57601 57603 0 …  command ids in order, 0 for a separator
//   toolbarN.png      one image per non-separator item, side by side in item order
//   toolbarN@2x.png   the same at twice the size, for screens with device pixel ratio 2
//                     (optional: without it the 1x images are scaled)
//
// The toolbars and the menu manager both read toolbars through this one loader, and make
// their button icons with ButtonIcon, so that a command looks the same in both.

#include "chrome/Emboss.h"

// Qt
#include <QIcon>
#include <QImage>
#include <QSize>
#include <QString>

class QPalette;

// std
#include <optional>
#include <vector>

namespace vtx {

struct ToolbarLayout {
    int nVersion = 0;
    QSize imageSize;
    std::vector<int> ids;    // 0 marks a separator

    // Number of items that have an image (every item but the separators).
    [[nodiscard]] int ImageCount() const;
};

struct ToolbarResource {
    int nId = 0;
    ToolbarLayout layout;
    QImage images;      // the 1x strip
    QImage images2x;    // the 2x strip, or a null image

    [[nodiscard]] int ImageCount() const { return layout.ImageCount(); }
    // Image number index of the strip (counting non-separator items), at scale 1 or 2;
    // the 2x image carries device pixel ratio 2. A null image for a bad index.
    [[nodiscard]] QImage Image(int index, int scale = 1) const;
};

// Where the program's own toolbar resources live.
[[nodiscard]] QString DefaultToolbarDirectory();

// Reads the text of a toolbar layout. On failure returns nothing and, when error is given,
// a sentence saying what is wrong.
[[nodiscard]] std::optional<ToolbarLayout> ParseToolbarLayout(const QByteArray& text,
                                                              QString* error = nullptr);

// Loads toolbar id from directory: layout and images, checked against each other.
[[nodiscard]] std::optional<ToolbarResource>
LoadToolbarResource(int id, const QString& directory = DefaultToolbarDirectory(),
                    QString* error = nullptr);

// How a button icon looks when its command is disabled.
struct DisabledLook {
    bool bUseDrawState = false;     // leave it to the style's own disabled icon drawing
    bool bInColor = false;          // emboss a colour copy instead of a monochrome one
    EmbossColors colors;
};

// The colours of the disabled look for a palette: its light and dark 3-D colours, over its
// window colour.
[[nodiscard]] DisabledLook DisabledLookFor(const QPalette& palette);

// The icon of image index of a toolbar: the 1x and 2x images as the Normal mode, and
// unless the look says otherwise their embossed copies as the Disabled mode.
[[nodiscard]] QIcon ButtonIcon(const ToolbarResource& resource, int index,
                               const DisabledLook& look);

} // namespace vtx
