#include "interfaces/FormControls.h"

#include "interfaces/DragSource.h"

namespace interfaces {

platform::Label* FormControls::swatch(int number) const
{
    platform::Label* const swatches[] = {Label1, Label2, Label3, Label4,  Label5,  Label6,
                                         Label7, Label8, Label9, Label10, Label11, Label12};
    return number >= 1 && number <= 12 ? swatches[number - 1] : nullptr;
}

platform::PictureBox* FormControls::headerBox(int number) const
{
    platform::PictureBox* const boxes[] = {Picture4, Picture5, Picture6, Picture7, Picture8,
                                           Picture9, Picture10, Picture11, Picture12};
    return number >= 4 && number <= 12 ? boxes[number - 4] : nullptr;
}

platform::ImageBox* FormControls::thumbnailFor(int code) const
{
    switch (code) {
    case 2: return Image2;
    case 3: return Image3;
    case 4: return Image4;
    case 5: return Image5;
    case 21: return Image21;
    case 22: return Image22;
    case 23: return Image23;
    case 10: return Image7;
    case browserSlotCode(1): return Image8;
    case browserSlotCode(2): return Image9;
    case browserSlotCode(3): return Image10;
    case browserSlotCode(4): return Image11;
    case 15: return Image12;
    case 16: return Image17;
    case 17: return Image18;
    case 18: return Image19;
    default: return nullptr;
    }
}

platform::CommandButton* FormControls::quickDirButton(int n) const
{
    platform::CommandButton* const buttons[] = {Command14, Command15, Command16, Command17,
                                                Command18, Command19, Command5,  Command30};
    return n >= 1 && n <= 8 ? buttons[n - 1] : nullptr;
}

platform::Label* FormControls::filterLabel(int code) const
{
    switch (code) {
    case 0: return Label23;
    case 15: return Label15;
    case 16: return Label16;
    case 18: return Label18;
    case 19: return Label19;
    case 20: return Label20;
    case 21: return Label21;
    case 22: return Label22;
    case 43: return Label43;
    default: return nullptr;
    }
}

platform::Label* FormControls::fitLabel(int number) const
{
    switch (number) {
    case 70: return Label70;
    case 71: return Label71;
    case 72: return Label72;
    default: return nullptr;
    }
}

} // namespace interfaces
