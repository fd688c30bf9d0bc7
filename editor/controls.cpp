#include "editor/controls.h"

namespace quillforge {

bool EditorControls::complete() const
{
    return mod && back && left && right && leftPhoto && rightPhoto && addPhotoPerson && speaker && bgm && sound &&
           personName && sentence && log && modName && page && bgmCheck && fileDialog && closeQuestion && preview;
}

} // namespace quillforge
