// The program's failure messages, caused as a user would cause them (a missing or broken data
// file, a window without the focus) and checked write by write: exact bytes, order, and the
// "ERROR: " prefix where the message goes through ReportError.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/intro_menu.h"
#include "input/keyboard.h"
#include "input/mouse.h"
#include "runtime/glyphs/font_finder.h"
#include "scene/flame_scene.h"
#include "tests/support/program_run.h"

namespace {

using ember::test::TestEnvironment;
using Writes = std::vector<std::string>;

// The three writes of ReportError.
Writes Reported(const std::string& message) { return {"ERROR: ", message, "\n"}; }

Writes Concat(std::initializer_list<Writes> parts) {
  Writes all;
  for (const Writes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// The program as its first logo tick finds it: window, device, intro pictures.
bool StartThroughTheVideoSetUp(TestEnvironment& env) {
  ember::test::ResetProgram();
  env.host.AnswerMessageBoxes({1});
  ember::test::CreateProgramWindow();
  return InitVideo(g_mainWindow) == 1;
}

// What the program wrote; the runtime's own lines ("D3DX: ..." or "D3DXCreateFont: ...",
// naming the file or the call and the reason) come between them.
Writes ProgramWrites(const TestEnvironment& env) {
  Writes program;
  for (const std::string& write : env.debugWrites)
    if (write.rfind("D3DX", 0) != 0) program.push_back(write);
  return program;
}

// The data folder as a copy of its own, so that a case can take files away or break them.
void OwnCopyOf(TestEnvironment& env, const char* folder) {
  namespace fs = std::filesystem;
  const fs::path link = fs::path(env.Root()) / folder;
  const fs::path target = fs::read_symlink(link);
  fs::remove(link);
  fs::copy(target, link, fs::copy_options::recursive);
}

void Remove(TestEnvironment& env, const char* relative) {
  std::filesystem::remove(std::filesystem::path(env.Root()) / relative);
}

// A machine without fonts: fontconfig reads a configuration that names no font folder.
void TakeTheFontsAway(TestEnvironment& env) {
  env.WriteFile("fonts.conf", "<?xml version=\"1.0\"?>\n<fontconfig></fontconfig>\n");
  setenv("FONTCONFIG_FILE", (env.Directory() + "/fonts.conf").c_str(), 1);
  ember::ShutdownFontFinder();
}

void GiveTheFontsBack(TestEnvironment&) {
  unsetenv("FONTCONFIG_FILE");
  ember::ShutdownFontFinder();
}

struct MenuCase {
  const char* name;
  std::function<void(TestEnvironment&)> breakIt;
  Writes expected;
  HRESULT result;
  std::function<void(TestEnvironment&)> mendIt = [](TestEnvironment&) {};
};

// The menu set-up after a good video set-up: what it writes and returns.
TEST(FailureMessages, TheMenuSetUpReportsEachFailureAndGoesOnWhereItCan) {
  const Writes texture = Reported("Impossibile caricare la texture");
  const Writes inputDevice = Reported("Impossibile inizializzare l'input device");
  const Writes keyboard = Reported("Failed to initialize keyboard");
  const Writes mouse = Reported("Unable to initialize mouse");
  const std::vector<MenuCase> cases = {
      {"DirectInput refuses a null instance", [](TestEnvironment&) { g_instance = nullptr; },
       Concat({Reported("Failed to create DirectInput"), inputDevice}), E_FAIL},
      {"the window has gone",
       [](TestEnvironment&) { g_mainWindow = reinterpret_cast<HWND>(&g_mainWindow); },
       Concat({Reported("Unable to set keyboard cooperative level"), keyboard, inputDevice}),
       E_FAIL},
      {"another window has the focus", [](TestEnvironment& env) { env.host.LoseFocus(); },
       Concat({Reported("Unable to acquire the keyboard"), keyboard, inputDevice}), E_FAIL},
      {"the system has no keyboard",
       [](TestEnvironment& env) { env.host.SetInputDevicesAttached(false, true); },
       Concat({Reported("Failed to create key device"), keyboard, inputDevice}), E_FAIL},
      {"the system has no mouse",
       [](TestEnvironment& env) { env.host.SetInputDevicesAttached(true, false); },
       Concat({Reported("Unable to create mouse device"), mouse, inputDevice}), E_FAIL},
      {"another window takes the focus between the keyboard and the mouse",
       [](TestEnvironment& env) {
         env.host.SetPumpHook([&env](int) {
           if (g_keyboard.acquired && !g_mouse.acquired) env.host.LoseFocus();
         });
       },
       Concat({Reported("Unable to acquire mouse"), mouse, inputDevice}), E_FAIL},
      {"the machine has no fonts",
       TakeTheFontsAway,
       {"Impossibile caricare il font necessario", "\n"},
       1,
       GiveTheFontsBack},
      {"the cursor picture is missing",
       [](TestEnvironment& env) {
         OwnCopyOf(env, "Immagini");
         Remove(env, "Immagini/Mouse/cursore.bmp");
       },
       texture, 1},
      {"the start button's picture is missing",
       [](TestEnvironment& env) {
         OwnCopyOf(env, "Immagini");
         Remove(env, "Immagini/Button/startGame.png");
       },
       // Hover, idle and pressed images all come from that file.
       Concat({texture, texture, texture}), 1},
      {"the exit button's hover picture is missing",
       [](TestEnvironment& env) {
         OwnCopyOf(env, "Immagini");
         Remove(env, "Immagini/Button/exitGameOn.png");
       },
       texture, 1},
      {"the working directory cannot take the log",
       [](TestEnvironment& env) { env.RemoveDirectory(); },
       Concat({{"Impossibile aprire il file: ", "D3D.log", "\n"},
               Reported("Impossibile inizializzare il log file")}),
       E_FAIL},
  };
  for (const MenuCase& c : cases) {
    SCOPED_TRACE(c.name);
    TestEnvironment env;
    ASSERT_TRUE(StartThroughTheVideoSetUp(env));
    c.breakIt(env);
    env.debugWrites.clear();
    EXPECT_EQ(InitMenu(), c.result);
    EXPECT_EQ(ProgramWrites(env), c.expected);
    c.mendIt(env);
    ember::test::ShutDownProgram();
  }
}

// An effect that compiles but has none of the program's parameters.
const char* const kBareEffect =
    "float4x4 wvp;\n"
    "float4 VS(float4 p : POSITION) : POSITION { return mul(p, wvp); }\n"
    "float4 PS() : COLOR { return 1; }\n"
    "technique T { pass P { VertexShader = compile vs_2_0 VS(); PixelShader = compile ps_2_0 PS(); "
    "} }\n";

struct SceneCase {
  const char* name;
  std::function<void(TestEnvironment&)> breakIt;
  Writes expected;
  const char* effectBoxText = nullptr;  // the "Fx Creation Error" box, when one must show
};

TEST(FailureMessages, TheSceneLoadReportsEachFailureAndTheDemoGoesOn) {
  Writes unassigned;
  for (const char* name :
       {"noiseFreq", "noiseStrength", "timeScale", "noiseScale", "noiseAnim", "flameColor",
        "flameScale", "flameTrans", "noiseTexture", "flameTexture"})
    unassigned.push_back(std::string("Impossibile assegnare ") + name + "\n");
  const std::vector<SceneCase> cases = {
      {"the effect has none of the parameters",
       [](TestEnvironment& env) {
         OwnCopyOf(env, "Data");
         std::ofstream(env.Root() + "/Data/flame/Flame_OK.fx") << kBareEffect;
       },
       unassigned},
      {"the background is not a bitmap",
       [](TestEnvironment& env) {
         OwnCopyOf(env, "Immagini");
         std::ofstream(env.Root() + "/Immagini/sfondo.bmp") << "BM and then nothing";
       },
       Reported("Unable to load bitmap")},
      {"the noise volume and the flame image are missing",
       [](TestEnvironment& env) {
         OwnCopyOf(env, "Data");
         Remove(env, "Data/flame/noiseL8_32x32x32.dds");
         Remove(env, "Data/flame/flame.PNG");
       },
       {"Impossibile caricare la noiseTexture\n", "Impossibile caricare flameTexture\n"}},
      {"the effect is missing",
       [](TestEnvironment& env) {
         OwnCopyOf(env, "Data");
         Remove(env, "Data/flame/Flame_OK.fx");
       },
       Concat({{"Errore nel caricamento del file Flame.fx\n"}, Reported("FX Creation Error")}),
       // The compiler's text, which names the file.
       "..\\Data\\flame\\Flame_OK.fx: cannot read the file"},
  };
  for (const SceneCase& c : cases) {
    SCOPED_TRACE(c.name);
    TestEnvironment env;
    ASSERT_TRUE(StartThroughTheVideoSetUp(env));
    ASSERT_EQ(InitMenu(), 1);
    c.breakIt(env);
    env.debugWrites.clear();
    EXPECT_EQ(LoadFlameScene(), 1);
    EXPECT_EQ(ProgramWrites(env), c.expected);
    const auto& boxes = env.host.ShownBoxes();
    const bool effectBox = !boxes.empty() && boxes.back().title == "Fx Creation Error";
    EXPECT_EQ(effectBox, c.effectBoxText != nullptr);
    if (effectBox && c.effectBoxText) {
      EXPECT_EQ(boxes.back().text, c.effectBoxText);
    }
    EXPECT_EQ(RenderFlameFrame(), D3D_OK);
    ember::test::ShutDownProgram();
  }
}

}  // namespace
