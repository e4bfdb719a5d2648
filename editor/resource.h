// Control and command ids of Vantor's windows. Every control that code or a
// test addresses carries one of these ids (the `controlId` property); the
// same number may name different controls in different windows.
#pragma once

// ---- Commands: menus and the toolbar ---------------------------------------
constexpr int ID_FILE_NEW = 57600;
constexpr int ID_FILE_OPEN = 57601;
constexpr int ID_FILE_SAVE = 57603;
constexpr int ID_FILE_SAVE_AS = 57604;
constexpr int ID_FILE_MRU_FILE1 = 57616;
constexpr int ID_EDIT_COPY = 57634;
constexpr int ID_EDIT_CUT = 57635;
constexpr int ID_EDIT_PASTE = 57637;
constexpr int ID_EDIT_UNDO = 57643;
constexpr int ID_EDIT_REDO = 57644;
constexpr int ID_APP_ABOUT = 57664;
constexpr int ID_APP_EXIT = 57665;
constexpr int ID_NEXT_PANE = 57680;
constexpr int ID_PREV_PANE = 57681;
constexpr int ID_VIEW_TOOLBAR = 59392;
constexpr int ID_VIEW_STATUS_BAR = 59393;
constexpr int ID_VIEW_HISTORY = 32800;  // View > History (the undo stack)
constexpr int ID_FILE_LIVE_LINK = 32830;  // File > Live Link: running games take every edit
constexpr int ID_RESET = 32773;
constexpr int ID_ROTATE_X = 32774;
constexpr int ID_ROTATE_Y = 32775;
constexpr int ID_LOCK_X = 32776;
constexpr int ID_LOCK_Y = 32777;
constexpr int ID_LOCK_Z = 32778;
constexpr int ID_IMAGES = 32780;
constexpr int ID_POS_CAMERA = 32781;
constexpr int ID_POS_LIGHT = 32782;
constexpr int ID_POS_OBJECT = 32783;
constexpr int ID_MOVE = 32784;
constexpr int ID_ROTATE = 32785;
constexpr int ID_POS_EMITTER = 32786;

// ---- Buttons every dialog shares --------------------------------------------
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

// ---- The control view -------------------------------------------------------
constexpr int IDC_TABS = 1111;

// ---- OBJECT page ------------------------------------------------------------
constexpr int IDC_OBJ_LIST = 1001;
constexpr int IDC_OBJ_POLYGONS = 1003;
constexpr int IDC_OBJ_HEIGHT = 1005;
constexpr int IDC_OBJ_WIDTH = 1006;
constexpr int IDC_OBJ_DEPTH = 1017;
constexpr int IDC_OBJ_SURFACES = 1110;
constexpr int IDC_OBJ_MODIFY_GEOMETRY = 1098;
constexpr int IDC_OBJ_SELECTION_NONE = 1013;  // then 1014 glow, 1015 glow and outline
constexpr int IDC_OBJ_BOUNDING_BOX = 1016;
constexpr int IDC_OBJ_GRID = 1099;
constexpr int IDC_OBJ_SHOW_LIGHTS = 1177;
constexpr int IDC_OBJ_ANTIALIAS_POINTS = 1174;
constexpr int IDC_OBJ_ANTIALIAS_LINES = 1175;
constexpr int IDC_OBJ_ANTIALIAS_POLYS = 1176;
constexpr int IDC_OBJ_CLEAR_SWATCH = 1104;
constexpr int IDC_OBJ_CLEAR_R = 1105;  // then G, B, A
constexpr int IDC_OBJ_CLEAR_SELECT = 1109;
constexpr int IDC_OBJ_ZOOM = 1103;
constexpr int IDC_OBJ_ZOOM_SLIDER = 1097;
constexpr int IDC_OBJ_SWARM = 1118;
constexpr int IDC_OBJ_AMBIENT_SWATCH = 1113;
constexpr int IDC_OBJ_AMBIENT_R = 1023;  // then G, B, A
constexpr int IDC_OBJ_AMBIENT_SELECT = 1119;
// The six lights, in the page's order (lights 1 to 6 are the library's 0 to 5).
constexpr int IDC_OBJ_LIGHT_DRAG[6] = {1115, 1130, 1138, 1126, 1134, 1142};
constexpr int IDC_OBJ_LIGHT_ON[6] = {1116, 1133, 1141, 1129, 1137, 1145};
constexpr int IDC_OBJ_LIGHT_SWATCH[6] = {1111, 1131, 1139, 1127, 1135, 1143};
constexpr int IDC_OBJ_LIGHT_EDIT[6] = {1112, 1132, 1140, 1128, 1136, 1144};

// ---- SURFACE page -----------------------------------------------------------
constexpr int IDC_SURF_LIST = 1002;
constexpr int IDC_SURF_POLYGONS = 1003;
constexpr int IDC_SURF_VERTICES = 1004;
constexpr int IDC_SURF_UNSELECT = 1058;
constexpr int IDC_SURF_DIFFUSE_SWATCH = 1062;
constexpr int IDC_SURF_AMBIENT_SWATCH = 1063;
constexpr int IDC_SURF_SPECULAR_SWATCH = 1064;
constexpr int IDC_SURF_EMISSION_SWATCH = 1065;
constexpr int IDC_SURF_DIFFUSE_R = 1018;  // each colour row: R, G, B, A
constexpr int IDC_SURF_AMBIENT_R = 1023;
constexpr int IDC_SURF_SPECULAR_R = 1028;
constexpr int IDC_SURF_EMISSION_R = 1033;
constexpr int IDC_SURF_DIFFUSE_SELECT = 1022;
constexpr int IDC_SURF_AMBIENT_SELECT = 1027;
constexpr int IDC_SURF_SPECULAR_SELECT = 1032;
constexpr int IDC_SURF_EMISSION_SELECT = 1037;
constexpr int IDC_SURF_SHININESS = 1017;
constexpr int IDC_SURF_SMOOTH = 1041;
constexpr int IDC_SURF_ANGLE = 1066;
constexpr int IDC_SURF_BLENDING = 1067;
constexpr int IDC_SURF_CULLING = 1038;
constexpr int IDC_SURF_TEXTURE1 = 1068;
constexpr int IDC_SURF_TEXTURE2 = 1069;
constexpr int IDC_SURF_IMAGE = 1039;
constexpr int IDC_SURF_IMAGES = 1051;
constexpr int IDC_SURF_FUNCTION = 1053;
constexpr int IDC_SURF_PLANE = 1055;
constexpr int IDC_SURF_GEN_MODE = 1052;
constexpr int IDC_SURF_S_AXIS[3] = {1046, 1047, 1048};
constexpr int IDC_SURF_T_AXIS[3] = {1049, 1050, 1056};
constexpr int IDC_SURF_S_SCALE = 1070;
constexpr int IDC_SURF_T_SCALE = 1071;
constexpr int IDC_SURF_S_COEFFICIENT[3] = {1115, 1117, 1119};
constexpr int IDC_SURF_T_COEFFICIENT[3] = {1114, 1116, 1118};

// ---- PARTICLES page and Particle Burst dialog (shared field ids) ------------
constexpr int IDC_PART_EMITTER = 1167;
constexpr int IDC_PART_ADD = 1074;
constexpr int IDC_PART_REMOVE = 1076;
constexpr int IDC_PART_RESET_TIMER = 1131;
constexpr int IDC_PART_PROPERTIES = 1134;
constexpr int IDC_PART_MODE = 1132;
constexpr int IDC_PART_IMAGE = 1039;
constexpr int IDC_PART_TOTAL = 1128;  // the burst dialog's particle count too
constexpr int IDC_PART_LIFESPAN = 1129;
constexpr int IDC_PART_PER_CYCLE = 1130;
constexpr int IDC_PART_PER_CYCLE_VAR = 1006;
constexpr int IDC_PART_EMIT_EVERY = 1007;
constexpr int IDC_PART_POSITION_X = 1151;  // then Y, Z
constexpr int IDC_PART_YAW = 1168;
constexpr int IDC_PART_YAW_VAR = 1106;
constexpr int IDC_PART_PITCH = 1107;
constexpr int IDC_PART_PITCH_VAR = 1108;
constexpr int IDC_PART_SPEED = 1109;
constexpr int IDC_PART_SPEED_VAR = 1110;
constexpr int IDC_PART_LIFE = 1111;
constexpr int IDC_PART_LIFE_VAR = 1112;
constexpr int IDC_PART_START_R = 1113;  // then G, B, A
constexpr int IDC_PART_START_VAR_R = 1119;
constexpr int IDC_PART_END_R = 1137;
constexpr int IDC_PART_END_VAR_R = 1143;
constexpr int IDC_PART_START_SIZE = 1158;
constexpr int IDC_PART_START_SIZE_VAR = 1159;
constexpr int IDC_PART_END_SIZE = 1161;
constexpr int IDC_PART_END_SIZE_VAR = 1162;
constexpr int IDC_PART_FORCE_X = 1163;  // then Y, Z
constexpr int IDC_PART_GROUND = 1157;
constexpr int IDC_PART_START_SWATCH = 1169;
constexpr int IDC_PART_END_SWATCH = 1136;
constexpr int IDC_PART_START_SELECT = 1117;
constexpr int IDC_PART_END_SELECT = 1141;
constexpr int IDC_PART_REFLECT = 1150;
constexpr int IDC_PART_BURST = 1171;
constexpr int IDC_PART_BURST_ON_GROUND = 1172;
constexpr int IDC_PART_LIGHTING = 1160;
constexpr int IDC_PART_ALT_ALPHA = 1149;
constexpr int IDC_PART_USE_LIFESPAN = 1170;
constexpr int IDC_PART_USE_OBJECT = 1155;
// Curves over life and the emitter's shape.
constexpr int IDC_PART_COLOUR_CURVE = 2020;  // "Colour over life" check box
constexpr int IDC_PART_GRADIENT = 2021;
constexpr int IDC_PART_SIZE_CURVE = 2022;    // "Size over life" check box
constexpr int IDC_PART_SIZE_GRAPH = 2023;
constexpr int IDC_PART_KEY_TIME = 2024;      // the selected size key's time (0..1)
constexpr int IDC_PART_KEY_SIZE = 2025;      // and its size
constexpr int IDC_PART_SHAPE = 2026;         // Point, Sphere, Box, Disc, Mesh
constexpr int IDC_PART_SHAPE_SIZE_X = 2027;  // then Y, Z
constexpr int IDC_PART_SHAPE_SHELL = 2030;
// Force fields and colliders: a list, Add and Remove, and the chosen entry's values.
constexpr int IDC_PART_FIELD_LIST = 2040;
constexpr int IDC_PART_FIELD_ADD = 2041;
constexpr int IDC_PART_FIELD_REMOVE = 2042;
constexpr int IDC_PART_FIELD_KIND = 2043;       // Wind, Drag, Attractor, Vortex, Noise
constexpr int IDC_PART_FIELD_POS_X = 2044;      // then Y, Z
constexpr int IDC_PART_FIELD_AXIS_X = 2047;     // then Y, Z
constexpr int IDC_PART_FIELD_STRENGTH = 2050;
constexpr int IDC_PART_FIELD_RADIUS = 2051;
constexpr int IDC_PART_FIELD_FREQUENCY = 2052;
constexpr int IDC_PART_COLLIDER_LIST = 2060;
constexpr int IDC_PART_COLLIDER_ADD = 2061;
constexpr int IDC_PART_COLLIDER_REMOVE = 2062;
constexpr int IDC_PART_COLLIDER_KIND = 2063;    // Plane, Sphere, Box, Model
constexpr int IDC_PART_COLLIDER_MODEL = 2064;   // the scene's models, for a Model collider
constexpr int IDC_PART_COLLIDER_POS_X = 2065;   // then Y, Z
constexpr int IDC_PART_COLLIDER_AXIS_X = 2068;  // then Y, Z: a plane's normal
constexpr int IDC_PART_COLLIDER_SIZE_X = 2071;  // then Y, Z: a sphere's radius, a box's half extents
constexpr int IDC_PART_COLLIDER_BOUNCE = 2074;
constexpr int IDC_PART_COLLIDER_FRICTION = 2075;
constexpr int IDC_PART_COLLIDER_RESPONSE = 2076;  // Bounce, Stick, Die, Burst
// The PARTICLES page's look: flipbook, spin and stretch, trail, draw order.
constexpr int IDC_PART_FLIP_COLUMNS = 2080;
constexpr int IDC_PART_FLIP_ROWS = 2081;
constexpr int IDC_PART_FLIP_FRAMES = 2082;
constexpr int IDC_PART_FLIP_FPS = 2083;
constexpr int IDC_PART_FLIP_OVER_LIFE = 2084;     // check box
constexpr int IDC_PART_FLIP_RANDOM_START = 2085;  // check box
constexpr int IDC_PART_FLIP_BLEND = 2086;         // check box
constexpr int IDC_PART_FLIP_PREVIEW = 2087;       // the image cut into its cells
constexpr int IDC_PART_SPIN_ANGLE = 2100;         // degrees
constexpr int IDC_PART_SPIN_ANGLE_VAR = 2101;
constexpr int IDC_PART_SPIN_RATE = 2102;          // degrees a second
constexpr int IDC_PART_SPIN_RATE_VAR = 2103;
constexpr int IDC_PART_SPIN_ALIGN = 2104;         // check box: along the velocity
constexpr int IDC_PART_SPIN_STRETCH = 2105;
constexpr int IDC_PART_SORT = 2106;               // As born, Back to front
constexpr int IDC_PART_TRAIL_ENABLED = 2120;      // check box
constexpr int IDC_PART_TRAIL_LENGTH = 2121;       // ms
constexpr int IDC_PART_TRAIL_DISTANCE = 2122;
constexpr int IDC_PART_TRAIL_WIDTH_START = 2123;
constexpr int IDC_PART_TRAIL_WIDTH_END = 2124;
constexpr int IDC_PART_TRAIL_ALPHA_END = 2125;

// ---- Light Properties dialog ------------------------------------------------
constexpr int IDC_LIGHT_AMBIENT_R = 1023;  // each row: R, G, B, A
constexpr int IDC_LIGHT_DIFFUSE_R = 1018;
constexpr int IDC_LIGHT_SPECULAR_R = 1028;
constexpr int IDC_LIGHT_AMBIENT_SWATCH = 1113;
constexpr int IDC_LIGHT_DIFFUSE_SWATCH = 1114;
constexpr int IDC_LIGHT_SPECULAR_SWATCH = 1064;
constexpr int IDC_LIGHT_AMBIENT_SELECT = 1119;
constexpr int IDC_LIGHT_DIFFUSE_SELECT = 1120;
constexpr int IDC_LIGHT_SPECULAR_SELECT = 1121;
constexpr int IDC_LIGHT_CONSTANT = 1122;
constexpr int IDC_LIGHT_LINEAR = 1123;
constexpr int IDC_LIGHT_QUADRATIC = 1124;
constexpr int IDC_LIGHT_DIRECTIONAL = 1013;
constexpr int IDC_LIGHT_POINT = 1014;

// ---- Image Add and Edit dialog ----------------------------------------------
constexpr int IDC_IMAGE_LIST = 1072;
constexpr int IDC_IMAGE_PREVIEW = 1073;
constexpr int IDC_IMAGE_PATH = 1080;
constexpr int IDC_IMAGE_BROWSE = 1090;
constexpr int IDC_IMAGE_NAME = 1081;
constexpr int IDC_IMAGE_FILTER = 1092;
constexpr int IDC_IMAGE_ALPHA = 1093;
constexpr int IDC_IMAGE_AVERAGE = 1094;
constexpr int IDC_IMAGE_LOW = 1084;
constexpr int IDC_IMAGE_HIGH = 1085;
constexpr int IDC_IMAGE_SIZE_X = 1077;
constexpr int IDC_IMAGE_SIZE_Y = 1078;
constexpr int IDC_IMAGE_ADD = 1074;
constexpr int IDC_IMAGE_UPDATE = 1075;
constexpr int IDC_IMAGE_REMOVE = 1076;

// ---- Calculate Geometry and Name dialogs ------------------------------------
constexpr int IDC_GEO_SCALE = 1111;  // Calculate buttons; the X, Y, Z edits follow each
constexpr int IDC_GEO_TRANSLATE = 1115;
constexpr int IDC_GEO_ROTATE = 1119;
constexpr int IDC_GEO_SCALE_X = 1112;
constexpr int IDC_GEO_TRANSLATE_X = 1116;
constexpr int IDC_GEO_ROTATE_X = 1120;
constexpr int IDC_NAME_EDIT = 1081;

// ---- Timeline (a dock under the 3D view) and its commands -------------------
constexpr int ID_VIEW_TIMELINE = 32801;
constexpr int ID_EDIT_DUPLICATE = 32820;  // Edit > Duplicate Emitter (Ctrl+D)
constexpr int ID_VIEW_OUTLINER = 32821;   // View > Outliner
constexpr int IDC_OUTLINER = 2040;        // its tree
// View navigation.
constexpr int ID_VIEW_FRAME_ALL = 32810;       // Home
constexpr int ID_VIEW_FRAME_SELECTED = 32811;  // F
constexpr int ID_VIEW_FRONT = 32812;           // keypad 1; Ctrl: back
constexpr int ID_VIEW_BACK = 32813;
constexpr int ID_VIEW_RIGHT = 32814;           // keypad 3; Ctrl: left
constexpr int ID_VIEW_LEFT = 32815;
constexpr int ID_VIEW_TOP = 32816;             // keypad 7; Ctrl: bottom
constexpr int ID_VIEW_BOTTOM = 32817;
constexpr int ID_TIME_START = 32802;  // Go to the in point (Home)
constexpr int ID_TIME_BACK = 32803;   // One step back (Left)
constexpr int ID_TIME_FORWARD = 32804;  // One step forward (Right)
constexpr int ID_TIME_END = 32805;    // Go to the out point (End)
constexpr int ID_TIME_LOOP = 32806;   // Loop between in and out (L)
constexpr int IDC_TIME_NOW = 2001;    // the time shown, seconds with milliseconds
constexpr int IDC_TIME_SLIDER = 2002;
constexpr int IDC_TIME_IN = 2003;     // in point, ms
constexpr int IDC_TIME_OUT = 2004;    // out point, ms
constexpr int IDC_TIME_SEED = 2005;
constexpr int IDC_EXPORT_LOOP = 2010;  // Export Frames: the loop range instead of a count
constexpr int IDC_EXPORT_USE_AS_FLIPBOOK = 2011;  // Export Sprite Sheet: the sheet becomes the emitter's flipbook
