#include "interfaces/CanvasRoom.h"

#include "platform/widgets/Controls.h"

namespace interfaces {

void CanvasRoom::select(platform::OptionButton* option)
{
    if (!option->value())
        option->setValue(true);
}

} // namespace interfaces
