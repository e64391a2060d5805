// The module's string table. Texts are used exactly as written here; code
// that shows them loads them by number at the moment of use.
#include <algorithm>
#include <iterator>

#include "resources/ModuleResources.h"

namespace {

struct StringEntry {
    int id;
    const wchar_t* text;
};

// Sorted by number.
constexpr StringEntry kStrings[] = {
    {1, L"TOVFileIO Post-Process Motion Capture Utility (Norvik)"},
    {2, L"Motion Capture"},
    {5, L"Select Mapping File..."},
    {6, L"Convert TRC to GWM"},
    {7, L"Choose GWM Files Destination Folder..."},
    {8, L"MNM File Creation Status"},
    {9, L"MNM File Creation Successful"},
    {10, L"MNM File Creation Failed: Unable to open output file."},
    {12, L"Pick optional markers?"},
    {13, L"Tovelund TRC Files (*.TRC)"},
    {16, L"Select Source TRC Files..."},
    {17, L"ConvertGWM Error"},
    {18, L"Cannot Open Batch Log File."},
    {19, L"Select Target GWM File..."},
    {26, L"Please choose a start frame equal to or greater than "},
    {27, L"Please choose an end frame less than or equal to "},
    {28, L"ImportHTR Error"},
    {29, L"ImportHTR"},
    {30, L"Please choose a start frame that is less than the end frame."},
    {31, L"ExportHTR"},
    {32, L"ImportTRC"},
    {33, L"TOVUtilities"},
    {34, L"Marker Name Mapping Files (*.MNM)"},
    {35, L"Gaitwork Marker Files (*.GWM)"},
    {39, L"ImportHTR Warning"},
    {40, L"ScaleFactor is not 1.0, this plugin does not support the ScaleFactor header variable."},
    {41, L"Import Error"},
    {42, L"Please select the root of a skeleton before applying animation."},
    {43, L"You can't import .htr directly onto a biped node."},
    {44, L"Please select a branch to apply to that exists in the source HTR file."},
    {45, L"Please choose a non-zero size."},
    {46, L"Please choose a non-zero scale factor."},
    {47, L"Please choose either Base Position, Animation, or both when in apply mode."},
    {200, L"The header of this file claims "},
    {201, L" frames, but the file holds "},
    {202, L"; only the frames it holds are imported."},
    {203, L"The frames to import lie outside the time range of the scene."},
    {204, L"The file has no root segment: no segment names GLOBAL as its parent."},
    {205, L"There is not enough memory to import the file."},
    {210, L"ExportHTR Error"},
    {211, L"Export Error"},
    {212, L"Please select the root bone of the skeleton you wish to export"},
    {213, L"Please select a bone object to export"},
    {214, L"Bone: "},
    {215, L" contains an object offset transformation, the resulting skeleton may not be correct."},
    {216, L"There are multiple identical names or spaces in a bone name."},
    {217, L"There is not enough memory to export the scene."},
    {218, L"With this offset the frames run past the frame numbers an HTR file holds "
          L"(-2147483648 to 2147483647). Please choose an offset that keeps them within."},
    {220, L"ImportTRC Error"},
    {221, L"Position Controller Error. Please Contact Tovelund Support."},
    {222, L"ImportTRC Warning"},
    {230, L"The remembered value of "},
    {231, L" is not one its field takes; its default, "},
    {232, L", is used instead."},
};

static_assert(std::is_sorted(std::begin(kStrings), std::end(kStrings),
                             [](const StringEntry& a, const StringEntry& b) { return a.id < b.id; }));

}  // namespace

const wchar_t* ModuleString(int id) {
    const auto found = std::lower_bound(std::begin(kStrings), std::end(kStrings), id,
                                        [](const StringEntry& e, int key) { return e.id < key; });
    return found != std::end(kStrings) && found->id == id ? found->text : nullptr;
}

std::wstring GetResourceStringAsMSTR(int id) {
    const wchar_t* text = ModuleString(id);
    return text != nullptr ? std::wstring(text) : std::wstring();
}
