// The design state of the window: its size, its nine controls with their places,
// fonts and settings. The toolkit builds the real window from this table; no code
// creates, removes or moves a control afterwards.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

enum class ControlKind { ListBox, TextBox, Label, CommandButton, Image };

struct FontDesign {
    const wchar_t* face;  // nullptr: the window's default font
    float points;
    int weight;  // 400 regular, 700 bold
    bool underline;
};

struct ControlDesign {
    ControlKind kind;
    const wchar_t* name;  // "Label1(0)" for an element of a control array
    const wchar_t* caption;
    int32_t left, top, width, height;  // twips, relative to the client area
    int32_t tabIndex;                  // -1: takes no place in the tab order
    FontDesign font;
    bool visible;
    bool handCursor;
    uint32_t textColor;  // 0x00BBGGRR, or kDefaultColor
};

constexpr uint32_t kDefaultColor = 0xFFFFFFFFu;

constexpr const wchar_t* kWebSiteHost = L"talvorin.example";
constexpr const wchar_t* kWebSiteAddress = L"https://talvorin.example/";

namespace design {
constexpr FontDesign kSans12{L"MS Sans Serif", 12.0f, 400, false};
constexpr FontDesign kSans8Bold{L"MS Sans Serif", 8.25f, 700, false};
constexpr FontDesign kSans12Underlined{L"MS Sans Serif", 12.0f, 400, true};
constexpr FontDesign kWindowFont{nullptr, 0.0f, 400, false};
constexpr uint32_t kBlue = 0x00FF0000u;
}  // namespace design

// Indexes into FormDesign::controls.
enum FrmListControlIndex { kList1, kText1, kLabel1_0, kLabel1_1, kCommand1, kCommand2, kCommand3, kLabel2, kImage1 };
// The number of controls: one past the last index.
constexpr size_t kFrmListControlCount = kImage1 + 1;

struct FormDesign {
    const wchar_t* caption;
    int32_t clientWidth, clientHeight;  // twips
    std::array<ControlDesign, kFrmListControlCount> controls;
};

constexpr FormDesign kFrmListDesign{
    L"Talvorin Device Manager",
    11355,
    9510,
    {{
        {ControlKind::ListBox, L"List1", L"", 165, 510, 8670, 6360, 0, design::kSans12, true, false, kDefaultColor},
        {ControlKind::TextBox, L"Text1", L"", 165, 7590, 8655, 1815, 1, design::kSans12, true, false, kDefaultColor},
        {ControlKind::Label, L"Label1(0)", L"Display details:", 150, 7305, 1305, 195, 2, design::kSans8Bold, true,
         false, kDefaultColor},
        {ControlKind::Label, L"Label1(1)", L"List of all registered display adapters", 180, 195, 3135, 195, 3,
         design::kSans8Bold, true, false, kDefaultColor},
        {ControlKind::CommandButton, L"Command1", L"&Close", 9030, 8895, 2085, 495, 4, design::kWindowFont, true, false,
         kDefaultColor},
        {ControlKind::CommandButton, L"Command2", L"&Remove Adapter", 9045, 480, 2085, 495, 5, design::kWindowFont,
         true, false, kDefaultColor},
        {ControlKind::CommandButton, L"Command3", L"Remove &All", 9030, 1065, 2085, 495, 6, design::kWindowFont, true,
         false, kDefaultColor},
        {ControlKind::Label, L"Label2", kWebSiteHost, 9195, 8400, 1710, 300, 7, design::kSans12Underlined, true, true,
         design::kBlue},
        {ControlKind::Image, L"Image1", L"", 9060, 6165, 2055, 2055, -1, design::kWindowFont, true, true,
         kDefaultColor},
    }},
};
