// The numbers of the module's resources: its strings, its dialogs and their
// controls. The module addresses its own resources by them, and a host that
// drives the module's dialogs (the command line clicking and typing as a
// person would) finds the controls by them.
#pragma once

enum ModuleResourceId : int {
    IDS_LIB_DESCRIPTION = 1,
    IDS_CATEGORY = 2,
    IDS_IMPORT_HTR_CLASS = 29,
    IDS_EXPORT_HTR_CLASS = 31,
    IDS_IMPORT_TRC_CLASS = 32,
    IDS_UTILITIES_CLASS = 33,

    // The HTR importer's messages.
    IDS_START_FRAME_TOO_SMALL = 26,
    IDS_END_FRAME_TOO_LARGE = 27,
    IDS_IMPORT_HTR_ERROR = 28,
    IDS_START_AFTER_END = 30,
    IDS_IMPORT_HTR_WARNING = 39,
    IDS_SCALE_FACTOR_HEADER = 40,
    IDS_IMPORT_ERROR = 41,
    IDS_SELECT_SKELETON_ROOT = 42,
    IDS_BIPED_REFUSED = 43,
    IDS_BRANCH_NOT_IN_FILE = 44,
    IDS_NONZERO_SIZE = 45,
    IDS_NONZERO_SCALE_FACTOR = 46,
    IDS_APPLY_NEEDS_KEYS = 47,
    // Messages of this edition for files no earlier one met.
    IDS_HEADER_FRAMES_CLAIMED = 200,
    IDS_HEADER_FRAMES_HELD = 201,
    IDS_HEADER_FRAMES_KEYED = 202,
    IDS_FRAMES_OUTSIDE_TIME = 203,
    IDS_NO_ROOT_SEGMENT = 204,
    IDS_IMPORT_OUT_OF_MEMORY = 205,
    // The HTR exporter's messages.
    IDS_EXPORT_HTR_ERROR = 210,
    IDS_EXPORT_ERROR = 211,
    IDS_SELECT_ROOT_BONE = 212,
    IDS_SELECT_BONE_OBJECT = 213,
    IDS_BONE_PREFIX = 214,
    IDS_OBJECT_OFFSET = 215,
    IDS_DUPLICATE_BONE_NAMES = 216,
    IDS_EXPORT_OUT_OF_MEMORY = 217,
    IDS_EXPORT_FRAMES_UNNUMBERED = 218,
    // The TRC importer's messages.
    IDS_IMPORT_TRC_ERROR = 220,
    IDS_POSITION_CONTROLLER = 221,
    IDS_IMPORT_TRC_WARNING = 222,
    // The options dialogs' note of a remembered value not used.
    IDS_REMEMBERED_VALUE = 230,
    IDS_REMEMBERED_REFUSED = 231,
    IDS_REMEMBERED_DEFAULT_USED = 232,

    IDB_ABOUT = 112,
    IDD_ABOUT = 114,
    IDC_ABOUT_PRODUCT = 1069,
    IDC_ABOUT_VERSION = 1070,
    IDC_ABOUT_OK = 1097,

    // Buttons every options dialog has.
    IDC_OK = 1097,
    IDC_CANCEL = 1098,

    // Dialog 107, the HTR importer's options.
    IDD_IMPORT_HTR = 107,
    IDC_HTR_CREATE = 1085,
    IDC_HTR_APPLY = 1086,
    IDC_SEGMENT_SIZE = 1104,
    IDC_END_EFFECTORS = 1019,
    IDC_BASE_POSITION = 1017,
    IDC_ANIMATION = 1063,
    IDC_EULER = 1051,
    IDC_TCB = 1052,
    IDC_ALL_FRAMES = 1067,
    IDC_FRAME_RANGE = 1068,
    IDC_FROM_FRAME = 1065,
    IDC_TO_FRAME = 1066,
    IDC_FRAME_OFFSET = 1089,
    IDC_SET_FRAME_RATE = 1140,
    IDC_GLOBAL_SCALE = 1088,

    // Dialog 126, the HTR exporter's options (with the time and scale
    // controls of dialog 107: 1067 is "Slider" here).
    IDD_EXPORT_HTR = 126,
    IDC_SAVED_POSE = 1106,
    IDC_CURRENT_POSE = 1107,
    IDC_EXPORT_ANIMATION = 1105,
    IDC_PARENT_TRANSFORMS = 1109,

    // Dialog 120, the TRC importer's options (with the time, size and scale
    // controls of dialog 107).
    IDD_IMPORT_TRC = 120,
    IDC_TRC_CREATE = 1009,
    IDC_TRC_APPLY = 1010,
    IDC_SELECTED_ONLY = 1112,
    IDC_ROOT_NODE = 1115,
    IDC_SPHERE = 1077,
    IDC_POINT = 1078,

    // The conversion's and the MNM creator's texts.
    IDS_SELECT_MAPPING_FILE = 5,
    IDS_CONVERT_TRC_TO_GWM = 6,
    IDS_CHOOSE_OUTPUT_FOLDER = 7,
    IDS_MNM_STATUS = 8,
    IDS_MNM_SUCCESS = 9,
    IDS_MNM_OPEN_FAILED = 10,
    IDS_PICK_OPTIONAL = 12,
    IDS_TRC_FILTER = 13,
    IDS_SELECT_SOURCE_TRC = 16,
    IDS_CONVERT_GWM_ERROR = 17,
    IDS_BATCH_LOG_FAILED = 18,
    IDS_SELECT_TARGET_GWM = 19,
    IDS_MNM_FILTER = 34,
    IDS_GWM_FILTER = 35,

    // Page 116, the utility panel's "Convert TRC to GWM".
    IDD_UTILITY_PAGE = 116,
    IDC_MNM_PATH = 1137,
    IDC_MNM_CREATE = 1203,
    IDC_MNM_BROWSE = 1132,
    IDC_OUTPUT_PATH = 1138,
    IDC_OUTPUT_BROWSE = 1134,
    IDC_CONVERT = 1200,
    IDC_USE_FILTER = 1204,
    IDC_BATCH = 1201,
    IDC_TRC_NAME = 1202,
    IDC_OFFSET_ENABLE = 1205,
    IDC_TRC_SPACE = 1124,
    IDC_BRINDLE_SPACE = 1125,
    IDC_LABEL_X = 1121,
    IDC_LABEL_Y = 1122,
    IDC_LABEL_Z = 1123,
    IDC_OFFSET_X = 1206,
    IDC_OFFSET_Y = 1207,
    IDC_OFFSET_Z = 1208,

    // Dialog 127, the MNM creator.
    IDD_MNM_CREATOR = 127,
    IDC_MARKER_DESCRIPTION = 1126,
    IDC_MNM_BACK = 1127,
    IDC_MNM_ABORT = 1128,
    IDC_MNM_SKIP = 1129,
};

