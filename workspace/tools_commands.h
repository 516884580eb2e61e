#pragma once
// The Tools menu: the direct operations on the page view and the commands that open the image-tool
// dialogs (through the window-opener registry) with the operation word they read.
class frmImgClntForm;

namespace ws::tools_menu {

// Direct operations: each changes the page view, clears the selection and marks the document and
// the page as modified.
void mnuToolsFlip_Click(frmImgClntForm& f);
void mnuToolsMirror_Click(frmImgClntForm& f);
void mnuToolsLeft_Click(frmImgClntForm& f);
void mnuToolsRight_Click(frmImgClntForm& f);
void mnuToolsDeskew_Click(frmImgClntForm& f);
void mnuToolsDespeckle_Click(frmImgClntForm& f);
void mnuToolsAutoContrast_Click(frmImgClntForm& f);

// The effect dialog with a word; the selection is cleared when it has closed.
void openEffect(frmImgClntForm& f, const char* word);
// The operation words of the effect commands (Brightness and Contrast share one), and the handler
// that opens the effect dialog with one of them.
inline constexpr char kAdjHSL[] = "ADJHSL";
inline constexpr char kAdjRGB[] = "ADJRGB";
inline constexpr char kBlend[] = "BLEND";
inline constexpr char kBlur[] = "BLUR";
inline constexpr char kBrightness[] = "BRIGHTNESS & CONTRAST";
inline constexpr char kButtonize[] = "BUTTONIZE";
inline constexpr char kContrast[] = "BRIGHTNESS & CONTRAST";
inline constexpr char kDiffuse[] = "DIFFUSE";
inline constexpr char kDilate[] = "DILATE";
inline constexpr char kEmboss[] = "EMBOSS";
inline constexpr char kEqualize[] = "EQUALIZE";
inline constexpr char kErode[] = "ERODE";
inline constexpr char kGamma[] = "GAMMA";
inline constexpr char kGrayScale[] = "GRAYSCALE";
inline constexpr char kMBlur[] = "MBLUR";
inline constexpr char kMedian[] = "MEDIAN";
inline constexpr char kMosiac[] = "MOSIAC";
inline constexpr char kNegate[] = "NEGATE";
inline constexpr char kNoise[] = "NOISE";
inline constexpr char kOutline[] = "OUTLINE";
inline constexpr char kParabolic[] = "PARABOLIC";
inline constexpr char kPerspective[] = "PERSPECTIVE";
inline constexpr char kPinch[] = "PINCH";
inline constexpr char kPosterize[] = "POSTERIZE";
inline constexpr char kRipple[] = "RIPPLE";
inline constexpr char kSharpen[] = "SHARPEN";
inline constexpr char kSoften[] = "SOFTEN";
inline constexpr char kSolarize[] = "SOLARIZE";
inline constexpr char kSwirl[] = "SWIRL";
inline constexpr char kTwist[] = "TWIST";
template <const char* Word>
void effect(frmImgClntForm& f) {
  openEffect(f, Word);
}

void mnuToolsCrop_Click(frmImgClntForm& f);
void mnuToolsResize_Click(frmImgClntForm& f);
void mnuToolsDepth_Click(frmImgClntForm& f);
void mnuToolsReplaceCols_Click(frmImgClntForm& f);
void mnuToolsSeparation_Click(frmImgClntForm& f);
void mnuToolsIntLvl_Click(frmImgClntForm& f);

}  // namespace ws::tools_menu
