#pragma once

// Numeric ids shared by the resource data and the code that addresses it. Control ids are unique
// only within one dialog (1081, 1082 and 1150 each name different controls on different pages),
// so they are grouped per dialog; always take an id from the namespace of the page it is used on.

namespace brisa::res {

namespace dialog {
inline constexpr int kAdvanced = 101;
inline constexpr int kAxisSetup = 102;
inline constexpr int kButtonSetup = 103;
inline constexpr int kButtonTest = 104;
inline constexpr int kKeyboard = 105;
inline constexpr int kMain = 106;
inline constexpr int kKeySelector = 130;
}  // namespace dialog

inline constexpr int kMainMenu = 143;
inline constexpr int kMainAccelerators = 144;

namespace icon {
inline constexpr int kApplication = 128;
inline constexpr int kLampUnknown = 129;  // lamp state not received yet
inline constexpr int kHatCentred = 132;   // hat picture 0; pictures 1..8 follow
inline constexpr int kHatPictureCount = 9;
inline constexpr int kLampOff = 141;
inline constexpr int kLampOn = 142;
// Hat picture p: 0 centred, 1..8 up, up-right, right, down-right, down, down-left, left, up-left.
constexpr int HatPicture(int p) {
  return kHatCentred + p;
}
}  // namespace icon

// Menu and accelerator commands.
namespace command {
inline constexpr int ID_DEVICE_READ = 32774;
inline constexpr int ID_DEVICE_UPDATE = 32775;
inline constexpr int ID_FILE_OPEN = 57601;
inline constexpr int ID_FILE_SAVE = 57603;
inline constexpr int ID_FILE_SAVE_AS = 57604;
inline constexpr int ID_APP_EXIT = 57665;
inline constexpr int ID_HELP = 57670;
}  // namespace command

// Main dialog (106).
namespace main_dialog {
inline constexpr int kUpdateButton = 1223;
inline constexpr int kDeviceCombo = 1102;
inline constexpr int kReadButton = 1148;
inline constexpr int kVendorIdEdit = 1227;
inline constexpr int kProductIdEdit = 1139;
inline constexpr int kFirmwareVersionEdit = 1226;
inline constexpr int kTabControl = 1186;
inline constexpr int kSetDefaultsButton = 1079;
inline constexpr int kBatteryLevelEdit = 1043;
inline constexpr int kWebLink = 1232;
}  // namespace main_dialog

// "Button Setup" (103): check boxes whose ids encode group and button.
namespace button_setup {
inline constexpr int kAnalogBox0 = 1011;  // button i + 1, i < 8
inline constexpr int kAnalogBoxCount = 8;
inline constexpr int kEncoderBox0 = 1082;  // buttons 2j + 1 and 2j + 2, j < 18
inline constexpr int kEncoderBoxCount = 18;
inline constexpr int kRotaryBox0 = 1150;  // button i + 1, i < 36
inline constexpr int kRotaryBoxCount = 36;
inline constexpr int kToggleBox0 = 1187;  // button i + 1, i < 36
inline constexpr int kToggleBoxCount = 36;
constexpr int AnalogBox(int i) {
  return kAnalogBox0 + i;
}
constexpr int EncoderBox(int j) {
  return kEncoderBox0 + j;
}
constexpr int RotaryBox(int i) {
  return kRotaryBox0 + i;
}
constexpr int ToggleBox(int i) {
  return kToggleBox0 + i;
}
}  // namespace button_setup

// "Button Test" (104).
namespace button_test {
inline constexpr int kLamp0 = 1045;  // lamp of button i + 1, i < 32
inline constexpr int kLampCount = 32;
inline constexpr int kHat1Picture = 1081;
inline constexpr int kHat2Picture = 1082;
constexpr int Lamp(int i) {
  return kLamp0 + i;
}
}  // namespace button_test

// "Axis Setup" (102): one row per axis k = 0..7.
namespace axis_setup {
inline constexpr int kAxisCount = 8;
inline constexpr int kInvertedBox0 = 1002;
inline constexpr int kMaxEdit0 = 1019;
inline constexpr int kMinEdit0 = 1027;
inline constexpr int kValueEdit0 = 1035;  // live value, read-only
inline constexpr int kAxisBar0 = 1140;    // live position
inline constexpr int kGainSlider1 = 1236;
inline constexpr int kGainSlider2 = 1237;
constexpr int InvertedBox(int k) {
  return kInvertedBox0 + k;
}
constexpr int MaxEdit(int k) {
  return kMaxEdit0 + k;
}
constexpr int MinEdit(int k) {
  return kMinEdit0 + k;
}
constexpr int ValueEdit(int k) {
  return kValueEdit0 + k;
}
constexpr int AxisBar(int k) {
  return kAxisBar0 + k;
}
}  // namespace axis_setup

// "Advanced" (101).
namespace advanced {
inline constexpr int kFilteringEdit = 1010;
inline constexpr int kDebounceEdit = 1077;
inline constexpr int kChooseButton = 1078;
inline constexpr int kRebootButton = 1080;
inline constexpr int kEncoderPressTimeEdit = 1081;
inline constexpr int kFirmwarePathEdit = 1100;
inline constexpr int kLogEdit = 1101;
inline constexpr int kSwitchPressTimeEdit = 1149;
inline constexpr int kPinEdit = 1150;
inline constexpr int kProgressBar = 1224;
inline constexpr int kUpgradeButton = 1225;
inline constexpr int kRequirePinBox = 1228;
}  // namespace advanced

// "Keyboard" (105).
namespace keyboard {
inline constexpr int kKeyEdit0 = 1103;  // key code of button i + 1, i < 36
inline constexpr int kKeyEditCount = 36;
inline constexpr int kKeycodeHelperButton = 1229;
constexpr int KeyEdit(int i) {
  return kKeyEdit0 + i;
}
}  // namespace keyboard

// Key-code selector (130): one push button per key, 1230..1335 without 1232 and 1233.
namespace key_selector {
inline constexpr int kKeyF1 = 1230;
inline constexpr int kKeyEsc = 1231;
inline constexpr int kKeyF2 = 1234;
inline constexpr int kKeyF3 = 1235;
inline constexpr int kKeyF4 = 1236;
inline constexpr int kKeyF5 = 1237;
inline constexpr int kKeyF6 = 1238;
inline constexpr int kKeyF7 = 1239;
inline constexpr int kKeyF8 = 1240;
inline constexpr int kKeyF9 = 1241;
inline constexpr int kKeyF10 = 1242;
inline constexpr int kKeyF11 = 1243;
inline constexpr int kKeyF12 = 1244;
inline constexpr int kKeyPrintScreen = 1245;
inline constexpr int kKeyScrollLock = 1246;
inline constexpr int kKeyPause = 1247;
inline constexpr int kKeyTilde = 1248;
inline constexpr int kKey1 = 1249;
inline constexpr int kKey2 = 1250;
inline constexpr int kKey3 = 1251;
inline constexpr int kKey4 = 1252;
inline constexpr int kKey5 = 1253;
inline constexpr int kKey6 = 1254;
inline constexpr int kKey7 = 1255;
inline constexpr int kKey8 = 1256;
inline constexpr int kKey9 = 1257;
inline constexpr int kKey0 = 1258;
inline constexpr int kKeyMinus = 1259;
inline constexpr int kKeyEquals = 1260;  // captioned "+"
inline constexpr int kKeyBackspace = 1261;
inline constexpr int kKeyInsert = 1262;
inline constexpr int kKeyHome = 1263;
inline constexpr int kKeyPageUp = 1264;
inline constexpr int kKeyNumLock = 1265;
inline constexpr int kKeypadSlash = 1266;
inline constexpr int kKeypadStar = 1267;
inline constexpr int kKeypadMinus = 1268;
inline constexpr int kKeyTab = 1269;
inline constexpr int kKeyQ = 1270;
inline constexpr int kKeyW = 1271;
inline constexpr int kKeyE = 1272;
inline constexpr int kKeyR = 1273;
inline constexpr int kKeyT = 1274;
inline constexpr int kKeyY = 1275;
inline constexpr int kKeyU = 1276;
inline constexpr int kKeyI = 1277;
inline constexpr int kKeyO = 1278;
inline constexpr int kKeyP = 1279;
inline constexpr int kKeyLeftBracket = 1280;
inline constexpr int kKeyRightBracket = 1281;
inline constexpr int kKeyCapsLock = 1282;
inline constexpr int kKeyA = 1283;
inline constexpr int kKeyS = 1284;
inline constexpr int kKeyD = 1285;
inline constexpr int kKeyF = 1286;
inline constexpr int kKeyG = 1287;
inline constexpr int kKeyH = 1288;
inline constexpr int kKeyJ = 1289;
inline constexpr int kKeyK = 1290;
inline constexpr int kKeyL = 1291;
inline constexpr int kKeySemicolon = 1292;  // captioned ":"
inline constexpr int kKeyQuote = 1293;
inline constexpr int kKeyBackslash = 1294;  // captioned "|"
inline constexpr int kKeyEnter = 1295;
inline constexpr int kKeyLeftShift = 1296;
inline constexpr int kKeyZ = 1297;
inline constexpr int kKeyX = 1298;
inline constexpr int kKeyC = 1299;
inline constexpr int kKeyV = 1300;
inline constexpr int kKeyB = 1301;
inline constexpr int kKeyN = 1302;
inline constexpr int kKeyM = 1303;
inline constexpr int kKeyComma = 1304;   // captioned "<"
inline constexpr int kKeyPeriod = 1305;  // captioned ">"
inline constexpr int kKeySlash = 1306;   // captioned "?"
inline constexpr int kKeyRightShift = 1307;
inline constexpr int kKeyDelete = 1308;
inline constexpr int kKeyEnd = 1309;
inline constexpr int kKeyPageDown = 1310;
inline constexpr int kKeypad7 = 1311;
inline constexpr int kKeypad8 = 1312;
inline constexpr int kKeypad9 = 1313;
inline constexpr int kKeypadPlus = 1314;
inline constexpr int kKeyLeft = 1315;
inline constexpr int kKeyDown = 1316;
inline constexpr int kKeyRight = 1317;
inline constexpr int kKeyUp = 1318;
inline constexpr int kKeypad1 = 1319;
inline constexpr int kKeypad2 = 1320;
inline constexpr int kKeypad3 = 1321;
inline constexpr int kKeypadEnter = 1322;
inline constexpr int kKeypad4 = 1323;
inline constexpr int kKeypad5 = 1324;
inline constexpr int kKeypad6 = 1325;
inline constexpr int kKeypad0 = 1326;
inline constexpr int kKeypadDot = 1327;
inline constexpr int kKeyLeftCtrl = 1328;
inline constexpr int kKeyRightCtrl = 1329;
inline constexpr int kKeyLeftWin = 1330;
inline constexpr int kKeyRightWin = 1331;
inline constexpr int kKeyMenu = 1332;
inline constexpr int kKeyLeftAlt = 1333;
inline constexpr int kKeyRightAlt = 1334;
inline constexpr int kKeySpace = 1335;
inline constexpr int kKeyButtonCount = 104;
}  // namespace key_selector

}  // namespace brisa::res
