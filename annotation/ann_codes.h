#pragma once
// Numbers shared between the annotation engine and its host: result codes, tools (which are also
// the element types), element / layer / engine property ids, host callback types and event codes.
#include <cstdint>

// Result codes. 0 is success; input and draw operations answer -1 for "not handled".
inline constexpr int32_t ANN_OK = 0;
inline constexpr int32_t ANN_NOT_HANDLED = -1;
inline constexpr int32_t ERR_BAD_TOOL = 1005;
inline constexpr int32_t ERR_NOT_STORAGE_FILE = 1006;
inline constexpr int32_t ERR_OPEN_STORAGE = 1009;
inline constexpr int32_t ERR_CREATE_FILE = 1010;
inline constexpr int32_t ERR_STREAM = 1011;
inline constexpr int32_t ERR_BAD_LAYER = 1013;
inline constexpr int32_t ERR_NO_PROPERTY = 1015;
inline constexpr int32_t ERR_NO_SELECTION = 1016;
inline constexpr int32_t ERR_NO_IMAGE_SOURCE = 1018;
inline constexpr int32_t ERR_RENDER_FAILED = 1019;
inline constexpr int32_t ERR_BAD_ARRAY = 1023;
inline constexpr int32_t ERR_BAD_PASSWORD = 1024;
inline constexpr int32_t ERR_BAD_POINT_INDEX = 1025;
inline constexpr int32_t ERR_BAD_ELEMENT = 1026;
inline constexpr int32_t ERR_NO_MEMORY = 1028;
inline constexpr int32_t ERR_LOCKED = 1034;
inline constexpr int32_t ERR_CLIPBOARD = 1035;
inline constexpr int32_t ERR_BAD_STRING_ID = 1036;
inline constexpr int32_t ERR_BAD_MARK_TYPE = 1037;
inline constexpr int32_t ERR_MENU_ITEM_EXISTS = 1038;
inline constexpr int32_t ERR_NO_MENU_ITEM = 1039;
inline constexpr int32_t ERR_BAD_OPTION = 1041;
inline constexpr int32_t ERR_NO_IMAGE = 1043;
inline constexpr int32_t ERR_BAD_VALUE = 1044;
inline constexpr int32_t ERR_GROUP_ALLOC = 1045;
inline constexpr int32_t ERR_BAD_GROUP = 1046;
inline constexpr int32_t ERR_NOT_IN_GROUP = 1047;
// An operation whose behaviour this build of the engine does not provide yet. Chosen outside the
// range of the documented codes so that a host never mistakes it for one of them.
inline constexpr int32_t ERR_NOT_IMPLEMENTED = 1099;
// The host's imaging view could not report its geometry (or is missing where it is required).
inline constexpr int32_t ERR_HOST_VIEW = 1098;
// Something unexpected failed inside the engine; the operation changed nothing it could undo.
inline constexpr int32_t ERR_INTERNAL = 1097;

// Tools; 4097 to 4106 are also the element types.
inline constexpr int32_t TOOL_NONE = 0;
inline constexpr int32_t TOOL_POINTER = 4096;
inline constexpr int32_t TOOL_TEXT = 4097;
inline constexpr int32_t TOOL_RECTANGLE = 4098;
inline constexpr int32_t TOOL_ELLIPSE = 4099;
inline constexpr int32_t TOOL_POLYGON = 4100;
inline constexpr int32_t TOOL_POLYLINE = 4101;
inline constexpr int32_t TOOL_LINE = 4102;
inline constexpr int32_t TOOL_FREEHAND = 4103;
inline constexpr int32_t TOOL_STAMP = 4104;
inline constexpr int32_t TOOL_IMAGE = 4105;
inline constexpr int32_t TOOL_BUTTON = 4106;
inline constexpr int32_t TOOL_FIRST = TOOL_POINTER;
inline constexpr int32_t TOOL_LAST = TOOL_BUTTON;
inline constexpr int TOOL_COUNT = 11;
constexpr bool annIsTool(int32_t tool) { return tool >= TOOL_FIRST && tool <= TOOL_LAST; }
constexpr int annToolIndex(int32_t tool) { return tool - TOOL_FIRST; }

// Element properties (values int32 unless noted; colours 0x00BBGGRR).
inline constexpr int32_t PROP_PEN_COLOR = 1;
inline constexpr int32_t PROP_TEXT_COLOR = 2;
inline constexpr int32_t PROP_BACK_COLOR = 3;
inline constexpr int32_t PROP_FILL_COLOR = 4;
inline constexpr int32_t PROP_PEN_WIDTH = 5;
inline constexpr int32_t PROP_RECT = 7;                // RECT, logical units
inline constexpr int32_t PROP_HIGHLIGHT_BACK = 8;
inline constexpr int32_t PROP_HIGHLIGHT_FILL = 9;
inline constexpr int32_t PROP_TEXT = 10;               // string
inline constexpr int32_t PROP_FONT = 11;               // LOGFONTA, 60 bytes
inline constexpr int32_t PROP_POINT_COUNT = 12;        // read only
inline constexpr int32_t PROP_LINE_13 = 13;            // carried, not interpreted
inline constexpr int32_t PROP_ARROWHEAD = 14;
inline constexpr int32_t PROP_TRANSPARENT_COLOR = 15;
inline constexpr int32_t PROP_BACK_STYLE = 16;         // 1 transparent, 2 opaque, 3 translucent
inline constexpr int32_t PROP_IMAGE = 17;              // packed DIB in a movable block
inline constexpr int32_t PROP_TEXT_18 = 18;            // carried, not interpreted
inline constexpr int32_t PROP_LOCKED = 19;
inline constexpr int32_t PROP_AUTO_SIZE = 20;
inline constexpr int32_t PROP_VISIBLE = 21;
inline constexpr int32_t PROP_BEVEL_LIGHT_COLOR = 22;
inline constexpr int32_t PROP_BEVEL_SHADOW_COLOR = 23;
inline constexpr int32_t PROP_SHOW_HANDLES = 24;
inline constexpr int32_t PROP_MOVEABLE = 25;
inline constexpr int32_t PROP_PEN_STYLE = 26;
inline constexpr int32_t PROP_PEN_FILL_STYLE = 27;
inline constexpr int32_t PROP_TEXT_ORIENTATION = 28;
inline constexpr int32_t PROP_SELECTED = 29;
inline constexpr int32_t PROP_SIZEABLE = 33;
inline constexpr int32_t PROP_CREATION_TIME = 34;
inline constexpr int32_t PROP_CUSTOM_DRAW = 36;
inline constexpr int32_t PROP_TEXT_LOCKED = 37;
inline constexpr int32_t PROP_HATCH_STYLE = 38;
inline constexpr int32_t PROP_HATCH_COLOR = 39;
inline constexpr int32_t PROP_Z_ORDER = 40;
inline constexpr int32_t PROP_TEXT_JUSTIFICATION = 41;
inline constexpr int32_t PROP_TYPE = 129;              // read only
inline constexpr int32_t PROP_USER_STRING = 640;
inline constexpr int32_t PROP_POINTS = 1024;
inline constexpr int32_t PROP_CUSTOM_DRAW_DATA = 1280;
inline constexpr int32_t PROP_USER_STRING2 = 1281;
inline constexpr int32_t PROP_GROUP_ID = 1800;
inline constexpr int32_t PROP_IMAGE_COPY = 36718;
inline constexpr int32_t PROP_OI_MARK_TYPE = 36719;
inline constexpr int32_t PROP_CREATION_FILETIME = 36721;
inline constexpr int32_t PROP_ELEMENT_ID = 36751;
inline constexpr int32_t PROP_CREATION_TIME_T = 36764;

inline constexpr int32_t HATCH_NONE = 5999;
inline constexpr int32_t FIXED_TIME_STAMP = 22968;

// Layer properties.
inline constexpr int32_t LPROP_VISIBLE = 21;
inline constexpr int32_t LPROP_NAME = 512;    // string
inline constexpr int32_t LPROP_CURRENT = 513;
inline constexpr int32_t LPROP_TEXT2 = 772;   // string

// Engine properties.
inline constexpr int32_t EPROP_LOCKED = 130;
inline constexpr int32_t EPROP_CONTEXT_MENU_ENABLED = 131;
inline constexpr int32_t EPROP_SAVE_ENABLED = 132;
inline constexpr int32_t EPROP_TOOL_MENUS_ENABLED = 133;
inline constexpr int32_t EPROP_SCALE_FONTS = 135;
inline constexpr int32_t EPROP_FONT_OPTION_136 = 136;
inline constexpr int32_t EPROP_DBLCLICK_OPTION = 137;
inline constexpr int32_t EPROP_MEASURE_WIDE_CHARS = 138;
inline constexpr int32_t EPROP_AUTHOR = 768;
inline constexpr int32_t EPROP_COMMENTS = 769;
inline constexpr int32_t EPROP_SUBJECT = 770;
inline constexpr int32_t EPROP_TITLE = 771;
inline constexpr int32_t EPROP_VIEW_WIDTH = 896;
inline constexpr int32_t EPROP_VIEW_HEIGHT = 897;
inline constexpr int32_t EPROP_STAMP_TEXT = 4128;
inline constexpr int32_t EPROP_BUTTON_TEXT = 4131;
inline constexpr int32_t EPROP_LAYER_COUNT = 36761;
inline constexpr int32_t EPROP_STAMP_FONT = 40960;
inline constexpr int32_t EPROP_TEXT_FONT = 40961;
inline constexpr int32_t EPROP_BUTTON_FONT = 40962;

// Host callback types (SetHostCallback).
inline constexpr int32_t HOSTCB_EVENT = 1;
inline constexpr int32_t HOSTCB_PASSWORD = 3;
inline constexpr int32_t HOSTCB_STAMP_PLACING = 4;
inline constexpr int32_t HOSTCB_RUN_MOUSE = 5;
inline constexpr int32_t HOSTCB_TOOL_MENU_COMMAND = 6;
inline constexpr int32_t HOSTCB_CUSTOM_DRAW = 7;
inline constexpr int32_t HOSTCB_PROPERTY_CHANGED = 8;
inline constexpr int32_t HOSTCB_CURRENT_LAYER = 9;
inline constexpr int32_t HOSTCB_USER_MENU_COMMAND = 10;
inline constexpr int32_t HOSTCB_GROUP_CREATED = 11;
inline constexpr int32_t HOSTCB_GROUP_DELETED = 12;

// Event codes raised through HOSTCB_EVENT and the run-mode mouse callback.
inline constexpr int32_t EVT_ELEMENT_ADDED = 1001;
inline constexpr int32_t EVT_ELEMENT_CHANGED = 1002;
inline constexpr int32_t EVT_ELEMENT_DELETED = 1003;
inline constexpr int32_t EVT_ELEMENT_SELECTED = 1004;
inline constexpr int32_t EVT_SELECTION_CHANGED = 1005;
inline constexpr int32_t EVT_RUN_CLICK = 1010;
inline constexpr int32_t EVT_RUN_BUTTON_DOWN = 1011;
inline constexpr int32_t EVT_RUN_BUTTON_UP = 1012;
inline constexpr int32_t EVT_RUN_DBLCLICK = 1013;
inline constexpr int32_t EVT_ELEMENT_CLICKED = 1014;
inline constexpr int32_t EVT_TOOL_CHANGED = 1015;
inline constexpr int32_t EVT_RUN_MOUSE_MOVE = 1016;
inline constexpr int32_t EVT_TEXT_EDIT_BEGIN = 1017;
inline constexpr int32_t EVT_TEXT_EDIT_END = 1018;
inline constexpr int32_t EVT_TOOL_BUTTON_RCLICK = 1100;
inline constexpr int32_t EVT_GROUP_SELECTED = 2001;

// Logical units: this many span the image's width on x and its height on y.
inline constexpr int32_t ANN_LOGICAL_SPAN = 16777216;
