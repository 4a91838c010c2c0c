// The shipped skin: every layout entry the windows read is there, every rectangle fits its window and its
// pictures, the keyboard picture's buttons do not overlap, and every picture the windows load exists.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string kSkins = std::string(KV_SOURCE_DIR) + "/resources/dist/Skins/";

struct Rect {
  int x = 0, y = 0, w = 0, h = 0;
  bool Overlaps(const Rect& o) const { return x < o.x + o.w && o.x < x + w && y < o.y + o.h && o.y < y + h; }
  bool Inside(int width, int height) const { return x >= 0 && y >= 0 && x + w <= width && y + h <= height; }
};

struct Size {
  int w = 0, h = 0;
  bool operator==(const Size& o) const { return w == o.w && h == o.h; }
};

std::ostream& operator<<(std::ostream& os, const Size& s) { return os << s.w << "x" << s.h; }

using Section = std::map<std::string, std::string>;
using Ini = std::map<std::string, Section>;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Ini ReadIni(const std::string& path) {
  Ini ini;
  std::istringstream in(ReadFile(path));
  std::string line, section;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      section = line.substr(1, line.find(']') - 1);
      continue;
    }
    const auto eq = line.find('=');
    if (eq != std::string::npos) ini[section][line.substr(0, eq)] = line.substr(eq + 1);
  }
  return ini;
}

std::optional<Rect> ParseRect(const std::string& value) {
  Rect r;
  if (std::sscanf(value.c_str(), "%d,%d,%d,%d", &r.x, &r.y, &r.w, &r.h) != 4) return std::nullopt;
  return r;
}

// Width and height from a JPEG frame header or a BMP info header.
std::optional<Size> ImageSize(const std::string& path) {
  const std::string d = ReadFile(path);
  auto u8 = [&](size_t i) { return static_cast<uint32_t>(static_cast<unsigned char>(d[i])); };
  if (d.size() >= 26 && d[0] == 'B' && d[1] == 'M') {
    const int32_t w = static_cast<int32_t>(u8(18) | u8(19) << 8 | u8(20) << 16 | u8(21) << 24);
    const int32_t h = static_cast<int32_t>(u8(22) | u8(23) << 8 | u8(24) << 16 | u8(25) << 24);
    return Size{w, h < 0 ? -h : h};
  }
  if (d.size() >= 4 && u8(0) == 0xFF && u8(1) == 0xD8) {
    size_t i = 2;
    while (i + 9 < d.size() && u8(i) == 0xFF) {
      const uint32_t marker = u8(i + 1);
      const size_t length = u8(i + 2) << 8 | u8(i + 3);
      if (marker == 0xC0 || marker == 0xC1 || marker == 0xC2)
        return Size{static_cast<int>(u8(i + 7) << 8 | u8(i + 8)), static_cast<int>(u8(i + 5) << 8 | u8(i + 6))};
      i += 2 + length;
    }
  }
  return std::nullopt;
}

// The 105 picture keys by key code, in picture order; their layout keys are "KEY_%03X" of the key index.
constexpr uint16_t kPictureKeyCodes[105] = {
    0x01E, 0x030, 0x02E, 0x020, 0x012, 0x021, 0x022, 0x023, 0x017, 0x024, 0x025, 0x026, 0x032, 0x031, 0x018,
    0x019, 0x010, 0x013, 0x01F, 0x014, 0x016, 0x02F, 0x011, 0x02D, 0x015, 0x02C, 0x002, 0x003, 0x004, 0x005,
    0x006, 0x007, 0x008, 0x009, 0x00A, 0x00B, 0x01C, 0x001, 0x00E, 0x00F, 0x039, 0x00C, 0x00D, 0x01A, 0x01B,
    0x02B, 0x027, 0x028, 0x029, 0x033, 0x034, 0x035, 0x03B, 0x03C, 0x03D, 0x03E, 0x03F, 0x040, 0x041, 0x042,
    0x043, 0x044, 0x057, 0x058, 0x137, 0x045, 0x152, 0x153, 0x147, 0x14F, 0x149, 0x151, 0x148, 0x150, 0x14B,
    0x14D, 0x046, 0x03A, 0x15D, 0x01D, 0x11D, 0x02A, 0x036, 0x038, 0x138, 0x15B, 0x15C, 0x04F, 0x050, 0x051,
    0x04B, 0x04C, 0x04D, 0x047, 0x048, 0x049, 0x052, 0x145, 0x11C, 0x053, 0x135, 0x037, 0x04A, 0x04E, 0x056,
};

std::string KeyLayoutName(uint16_t code) {
  const unsigned index = code < 0x100 ? code : ((code - 0x80u) & 0xFFu);
  char buf[16];
  std::snprintf(buf, sizeof buf, "KEY_%03X", index);
  return buf;
}

// Every button of the keyboard picture: the 105 keys, the nine G-keys and Fn.
std::vector<std::string> PictureButtons() {
  std::vector<std::string> keys;
  for (uint16_t code : kPictureKeyCodes) keys.push_back(KeyLayoutName(code));
  for (int n = 1; n <= 9; ++n) keys.push_back("FUNC_G" + std::to_string(n));
  keys.push_back("KEY_FN");
  return keys;
}

const std::vector<std::string> kMainKeys = {
    "TORVEL_LINK", "FUNC_PROFILES", "FUNC_MACRO", "CONTROL_OK", "CONTROL_CANCEL", "CONTROL_HELP",
    "CONTROL_CLOSE", "CONTROL_MINIMIZE", "CONTROL_MENU", "CONTROL2_APPLY", "LOCK_CAPS", "LOCK_NUM",
    "LOCK_SCROLL", "LOCK_AB", "FLIP_0", "FLIP_1", "FLIP_2", "TORVEL_VER", "FUNC_PROFILE1", "FUNC_PROFILE2",
    "FUNC_PROFILE3", "FUNC_DEFAULT", "FUNC_REPORT1", "FUNC_REPORT2", "FUNC_REPORT3", "FUNC_REPORT4", "KEY_FN",
    "COLOR_R", "COLOR_G", "COLOR_B", "LEFT_ARROW", "RIGHT_ARROW", "CONTROL_UsbStatic", "CONTROL_JDTStatic",
    "CONTROL_RGBStatic", "CONTROL_Network", "CONTROL_Facebook", "CONTROL_twitter", "CONTROL_DengStatic",
    "CONTROL_DengStaPic", "CONTROL_XGcombox", "CONTROL_LightStatic", "CONTROL_LightSlider",
    "CONTROL_SpeedStatic", "CONTROL_SpeedSlider", "CONTROL_BLFXStatic", "CONTROL_BLFXLStaPic",
    "CONTROL_BLFXRStaPic", "CONTROL_FYYSStatic", "CONTROL_FYYSButton", "CONTROL_FYSJSStaPic",
    "CONTROL_FYSJSStatic", "CONTROL_FYCFStatic", "CONTROL_FYdjcfStatic", "CONTROL_FYggcfStatc",
    "CONTROL_FYdjcfStaPic", "CONTROL_FYggcfStaPic", "CONTROL_HONGPIC", "CONTROL_HUANGPIC", "CONTROL_LVPIC",
    "CONTROL_LANPIC", "CONTROL_HXysStatic", "CONTROL_HXysButton", "CONTROL_HXsjsStatic", "CONTROL_HXsjsStaPic",
    "CONTROL_JTysStatic", "CONTROL_JTysButton", "CONTROL_USERysStatic", "CONTROL_USERysButton",
    "CONTROL_USERjsStatic", "CONTROL_USERjsButton", "CONTROL_USERgjStatic", "CONTROL_USERgjStaPic1",
    "CONTROL_USERgjStaPic2", "CONTROL_Color1", "CONTROL_Color2", "CONTROL_Color3", "CONTROL_Color4",
    "CONTROL_Color5", "CONTROL_Color6", "CONTROL_Color7", "CONTROL_Color8", "CONTROL_TSysStatic",
    "CONTROL_TSysButton", "CONTROL_TSsjsStatic", "CONTROL_TSsjsStaPic", "CONTROL_CDysStatic",
    "CONTROL_CDysButton", "CONTROL_CDsjsStatic", "CONTROL_CDsjsStaPic", "CONTROL_umCombo",
    "CONTROL_BLFXStatic2", "CONTROL_BLFXStatic3", "CONTROL_BLFXLStaPic2", "CONTROL_BLFXLStaPic3",
    "CONTROL_BLFXRStaPic2", "CONTROL_BLFXRStaPic3",
};

struct WindowSkin {
  const char* layout;
  std::vector<std::string> keys;     // section BUTTONINFO
  std::vector<std::string> pictures; // button pictures, each drawn like the whole window
  std::set<std::string> drop_downs;  // their rectangles include the dropped list, which may leave the window
};

std::vector<WindowSkin> Windows() {
  std::vector<std::string> main_keys = kMainKeys;
  for (const auto& k : PictureButtons()) main_keys.push_back(k);
  return {
      {"Main.ini", main_keys,
       {"main_normal.jpg", "main_over.jpg", "main_down.jpg", "main_disable.jpg", "Arrow.jpg", "main_color0.jpg",
        "main_color1.jpg"},
       {"CONTROL_XGcombox", "CONTROL_umCombo"}},
      {"Composite.ini",
       {"CONTROL_MASK", "CONTROL_TITLE", "CONTROL_OSK", "CONTROL_CLEAR", "CONTROL_MEDIA", "CONTROL_MACRO",
        "CONTROL_KEY", "CONTROL_FUNCTION", "CONTROL_OK", "CONTROL_CANCEL", "FUNC_MACRO_DELETE", "FUNC_MACRO_ADD",
        "FUNC_MACRO_UP_TOP", "FUNC_MACRO_UP", "FUNC_MACRO_DOWN", "FUNC_MACRO_DOWN_BOTTOM", "FUNC_MACRO_DELETE2",
        "FUNC_MACRO_CLEAR", "FUNC_MACRO_RECORD", "FUNC_MACRO_RECORD_DELAY", "FUNC_MACRO_RECORD_DELAY2",
        "FUNC_MACRO_LIST", "FUNC_MACRO_LIST2", "FUNC_MACRO_CYCLES", "FUNC_MACRO_CYCLES_PROMPT",
        "TISHI_SINGLE_STATIC", "MARCO_NAME_SETTING", "KEY_SETTING", "MEDIA_SETTING_TISHI",
        "FUNCTION_KEY_SETTING_TISHI", "FUNC_KEY_INPUT", "FUNC_MEDIA_SELECT", "FUNC_FUNCTION_SELECT",
        "FUNC_KEY_RADIO_KB", "FUNC_KEY_RADIO_KB_STATIC", "FUNC_KEY_RADIO_MOU", "FUNC_KEY_RADIO_MOU_STATIC"},
       {"key_normal.jpg", "key_over.jpg", "key_down.jpg", "function_normal.jpg", "function_over.jpg",
        "function_down.jpg", "macro_normal.jpg", "macro_over.jpg", "macro_down.jpg", "macro_disable.jpg",
        "macro2_normal.jpg", "macro2_over.jpg", "macro2_down.jpg", "macro2_disable.jpg", "media_normal.jpg",
        "media_over.jpg", "media_down.jpg"},
       {"FUNC_MACRO_LIST", "FUNC_MEDIA_SELECT", "FUNC_FUNCTION_SELECT"}},
      {"Profile.ini",
       {"CONTROL_OK", "CONTROL_CANCEL", "CONTROL2_APPLY", "FUNC_ADD", "FUNC_LOAD", "FUNC_DELETE", "PROGRAM_LIST"},
       {"Profile_normal.jpg", "Profile_over.jpg", "Profile_down.jpg"},
       {}},
      {"UpdateDlg.ini",
       {"CONTROL_CUPButton", "CONTROL_UPButton", "CONTROL_OPENButton", "CONTROL_BACKUPButton", "CONTROL_UPStatic",
        "CONTROL_UPCombox"},
       {"update_normal.jpg", "update_over.jpg"},
       {"CONTROL_UPCombox"}},
  };
}

Size BackgroundSize(const Ini& ini) {
  const auto it = ini.find("SCREEN");
  if (it == ini.end() || !it->second.count("Main")) return {};
  return ImageSize(kSkins + it->second.at("Main")).value_or(Size{});
}

TEST(ShippedSkin, EveryWindowHasItsBackgroundAndAnOutlineOfTheSameSize) {
  for (const auto& win : Windows()) {
    SCOPED_TRACE(win.layout);
    const Ini ini = ReadIni(kSkins + win.layout);
    ASSERT_TRUE(ini.count("SCREEN"));
    const Section& screen = ini.at("SCREEN");
    ASSERT_TRUE(screen.count("Main") && screen.count("Mask"));
    const auto bg = ImageSize(kSkins + screen.at("Main"));
    const auto mask = ImageSize(kSkins + screen.at("Mask"));
    ASSERT_TRUE(bg.has_value()) << screen.at("Main");
    ASSERT_TRUE(mask.has_value()) << screen.at("Mask");
    EXPECT_GT(bg->w, 100);
    EXPECT_GT(bg->h, 100);
    EXPECT_EQ(*mask, *bg);
    for (const auto& picture : win.pictures) {
      const auto size = ImageSize(kSkins + picture);
      ASSERT_TRUE(size.has_value()) << picture << " is missing or not a picture";
      EXPECT_EQ(*size, *bg) << picture;
    }
  }
  const Ini main = ReadIni(kSkins + "Main.ini");
  ASSERT_TRUE(main.at("SCREEN").count("Link"));
  EXPECT_LT(main.at("SCREEN").at("Link").size(), 260u);
}

TEST(ShippedSkin, EveryLayoutKeyTheWindowsReadIsPlacedInsideItsWindow) {
  for (const auto& win : Windows()) {
    SCOPED_TRACE(win.layout);
    const Ini ini = ReadIni(kSkins + win.layout);
    const Size size = BackgroundSize(ini);
    ASSERT_GT(size.w, 0);
    const Section& info = ini.count("BUTTONINFO") ? ini.at("BUTTONINFO") : Section{};
    for (const auto& key : win.keys) {
      const auto it = info.find(key);
      ASSERT_NE(it, info.end()) << key << " is missing";
      const auto r = ParseRect(it->second);
      ASSERT_TRUE(r.has_value()) << key << "=" << it->second;
      // 1,1 is where a control without its entry goes, and a button there is disabled
      EXPECT_FALSE(r->x == 1 && r->y == 1) << key;
      EXPECT_GT(r->w, 0) << key;
      EXPECT_GT(r->h, 0) << key;
      Rect shown = *r;
      if (win.drop_downs.count(key)) shown.h = 20;  // the closed drop-down must fit, its list may leave
      EXPECT_TRUE(shown.Inside(size.w, size.h)) << key << "=" << it->second << " outside " << size;
    }
  }
}

TEST(ShippedSkin, KeyboardPictureButtonsDoNotOverlap) {
  const Ini ini = ReadIni(kSkins + "Main.ini");
  const Section& info = ini.at("BUTTONINFO");
  const std::vector<std::string> keys = PictureButtons();
  ASSERT_EQ(keys.size(), 115u);
  ASSERT_EQ(std::set<std::string>(keys.begin(), keys.end()).size(), 115u);
  std::vector<Rect> rects;
  for (const auto& key : keys) {
    ASSERT_TRUE(info.count(key)) << key;
    rects.push_back(ParseRect(info.at(key)).value_or(Rect{}));
  }
  for (size_t i = 0; i < rects.size(); ++i)
    for (size_t j = i + 1; j < rects.size(); ++j)
      EXPECT_FALSE(rects[i].Overlaps(rects[j])) << keys[i] << " overlaps " << keys[j];
}

TEST(ShippedSkin, FlipArrowPicturesAreCutFromInsideTheArrowImage) {
  const Ini ini = ReadIni(kSkins + "Main.ini");
  const auto arrow = ImageSize(kSkins + "Arrow.jpg");
  ASSERT_TRUE(arrow.has_value());
  ASSERT_TRUE(ini.count("BUTTONINFO2"));
  const Section& origins = ini.at("BUTTONINFO2");
  const std::pair<const char*, const char*> sides[] = {{"LEFT_ARROW", "_ARROW_LEFT"}, {"RIGHT_ARROW", "_ARROW_RIGHT"}};
  for (const auto& [control, suffix] : sides) {
    const auto placed = ParseRect(ini.at("BUTTONINFO").at(control));
    ASSERT_TRUE(placed.has_value());
    for (const char* state : {"UP", "DOWN"}) {
      char key[40];
      std::snprintf(key, sizeof key, "%s%s%d", state, suffix, 1);
      ASSERT_TRUE(origins.count(key)) << key;
      const auto origin = ParseRect(origins.at(key));
      ASSERT_TRUE(origin.has_value()) << key;
      const Rect cut{origin->x - 1, origin->y - 1, placed->w, placed->h};
      EXPECT_TRUE(cut.Inside(arrow->w, arrow->h)) << key;
    }
  }
}

TEST(ShippedSkin, LightingPanelBitmapsExistAndFitTheControlsThatShowThem) {
  const Ini ini = ReadIni(kSkins + "Main.ini");
  const Section& info = ini.at("BUTTONINFO");
  auto control_size = [&](const char* key) {
    const auto r = ParseRect(info.at(key)).value_or(Rect{});
    return Size{r.w, r.h};
  };
  struct Case {
    std::vector<std::string> bitmaps;
    const char* control;
  };
  std::vector<Case> cases = {
      {{"dengup.bmp", "dengdown.bmp"}, "CONTROL_DengStaPic"},
      {{"leftup.bmp", "leftdown.bmp", "rightup.bmp", "rightdown.bmp", "upup.bmp", "updown.bmp", "downup.bmp",
        "downdown.bmp", "kuosan.bmp", "kuosandown.bmp", "julong.bmp", "julongdown.bmp"},
       "CONTROL_BLFXLStaPic"},
      {{"hong.bmp", "hongok.bmp"}, "CONTROL_HONGPIC"},
      {{"huang.bmp", "huangok.bmp"}, "CONTROL_HUANGPIC"},
      {{"lv.bmp", "lvok.bmp"}, "CONTROL_LVPIC"},
      {{"lan.bmp", "lanok.bmp"}, "CONTROL_LANPIC"},
      {{"sjsup.bmp", "sjsdown.bmp"}, "CONTROL_HXsjsStaPic"},
      {{"sjsup.bmp", "sjsdown.bmp"}, "CONTROL_FYSJSStaPic"},
      {{"user1up.bmp", "user1down.bmp"}, "CONTROL_USERgjStaPic1"},
      {{"user2up.bmp", "user2down.bmp"}, "CONTROL_USERgjStaPic2"},
      {{}, "CONTROL_LightSlider"},
      {{}, "CONTROL_SpeedSlider"},
      {{}, "CONTROL_JDTStatic"},
  };
  for (int i = 0; i <= 5; ++i) {
    cases[10].bitmaps.push_back("slider" + std::to_string(i) + ".bmp");
    cases[11].bitmaps.push_back("slider" + std::to_string(i) + ".bmp");
  }
  for (int i = 1; i <= 10; ++i) cases[12].bitmaps.push_back("jdt" + std::to_string(i) + ".bmp");
  for (const auto& c : cases) {
    for (const auto& bitmap : c.bitmaps) {
      const auto size = ImageSize(kSkins + bitmap);
      ASSERT_TRUE(size.has_value()) << bitmap << " is missing or not a bitmap";
      EXPECT_EQ(*size, control_size(c.control)) << bitmap << " in " << c.control;
    }
  }
}

TEST(ShippedSkin, HelpPageShipsBesideTheSkin) {
  const std::string page = ReadFile(std::string(KV_SOURCE_DIR) + "/resources/dist/Help/index.html");
  ASSERT_FALSE(page.empty());
  EXPECT_NE(page.find("<title>"), std::string::npos);
  EXPECT_NE(page.find("</html>"), std::string::npos);
}

}  // namespace
