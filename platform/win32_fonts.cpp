#include "platform/win32_fonts.h"

#include <cwchar>
#include <utility>
#include <vector>

#include "platform/startup_trace.h"

namespace {

int CALLBACK NoteFaceFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;  // one match is enough
}

// Faces that look most like the old bitmap face, best first. Wine and Linux boxes
// often have only the last ones.
constexpr const wchar_t* kStandInFaces[] = {L"MS Sans Serif", L"Microsoft Sans Serif", L"Tahoma",
                                            L"Arial",         L"Liberation Sans",      L"DejaVu Sans"};

FontHandle CreateMessageFont(int dpi) {
    LOGFONTW font{};
    if (!MessageFontForDpi(font, dpi)) return FontHandle(nullptr);
    return FontHandle(CreateFontIndirectW(&font));
}

}  // namespace

bool FontFaceInstalled(const std::wstring& face) {
    if (face.empty() || face.size() >= LF_FACESIZE) return false;
    const WindowDc screen = BorrowDc(nullptr);
    LOGFONTW query{};
    query.lfCharSet = DEFAULT_CHARSET;
    wcsncpy(query.lfFaceName, face.c_str(), LF_FACESIZE - 1);
    bool found = false;
    EnumFontFamiliesExW(screen.Get(), &query, NoteFaceFound, reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

std::wstring SansSerifFaceFor(const std::wstring& designFace) {
    // Every design font asks for the same face, again at each DPI change, and the
    // faces installed do not change under a running program: each answer is looked
    // up once.
    static std::vector<std::pair<std::wstring, std::wstring>> answers;
    for (const auto& answer : answers) {
        if (answer.first == designFace) return answer.second;
    }
    std::wstring found = designFace;
    if (!FontFaceInstalled(designFace)) {
        for (const wchar_t* face : kStandInFaces) {
            if (FontFaceInstalled(face)) {
                found = face;
                break;
            }
        }
    }
    answers.emplace_back(designFace, found);
    return found;
}

bool ReadFontMetrics(HFONT font, TEXTMETRICW& metrics) {
    const WindowDc screen = BorrowDc(nullptr);
    if (screen.Get() == nullptr || font == nullptr) return false;
    const SelectedObject selected = SelectInto(screen.Get(), font);
    return GetTextMetricsW(screen.Get(), &metrics) != FALSE;
}

bool IsBitmapFontOfAnotherHeight(const TEXTMETRICW& metrics, LONG askedHeight) {
    // TrueType fonts carry TMPF_VECTOR as well; a bitmap font carries neither.
    if ((metrics.tmPitchAndFamily & (TMPF_VECTOR | TMPF_TRUETYPE)) != 0) return false;
    if (askedHeight == 0) return false;  // the platform's default height was asked for
    const LONG made = askedHeight < 0 ? metrics.tmHeight - metrics.tmInternalLeading : metrics.tmHeight;
    return made != (askedHeight < 0 ? -askedHeight : askedHeight);
}

FontHandle CreateDesignFont(const FontDesign& design, const TwipsScale& scale, const FontMetricsReader& readMetrics) {
    TDM_TRACE_SPAN("fonts");
    if (design.face == nullptr) return CreateMessageFont(scale.Dpi());
    LOGFONTW font{};
    font.lfHeight = scale.FontHeight(design.points);
    font.lfWeight = design.weight;
    font.lfUnderline = design.underline ? TRUE : FALSE;
    font.lfCharSet = ANSI_CHARSET;
    font.lfOutPrecision = OUT_DEFAULT_PRECIS;
    font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    font.lfQuality = DEFAULT_QUALITY;
    font.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    const std::wstring face = SansSerifFaceFor(design.face);
    wcsncpy(font.lfFaceName, face.c_str(), LF_FACESIZE - 1);
    FontHandle made(CreateFontIndirectW(&font));
    TEXTMETRICW metrics{};
    if (!made || !readMetrics || !readMetrics(made.Get(), metrics) ||
        !IsBitmapFontOfAnotherHeight(metrics, font.lfHeight)) {
        return made;
    }
    wcsncpy(font.lfFaceName, kScalableSansSerif, LF_FACESIZE - 1);
    FontHandle scalable(CreateFontIndirectW(&font));
    return scalable ? std::move(scalable) : std::move(made);
}
