// Every data file the program reads, missing, cut to half its size, or replaced by random bytes
// of the same size: a whole run through the scripted host, logo to 100 demo frames to a closed
// window. The intro pictures end the start with the video message; every other file's run
// reaches the demo with its own message and no crash.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "app/app_state.h"
#include "tests/support/program_run.h"

namespace {

namespace fs = std::filesystem;
using ember::test::TestEnvironment;

struct DataFile {
  const char* path;     // beside the working directory
  const char* message;  // what the run must write because of it
  bool endsTheStart;
};

const DataFile kFiles[] = {
    {"Immagini/TAVEK_LOGO.jpg", "ERROR: Impossibile caricare la texture\n", true},
    {"Immagini/Loading.jpg", "ERROR: Impossibile caricare la texture\n", true},
    {"Immagini/sfondo.bmp", "ERROR: Unable to load bitmap\n", false},
    {"Immagini/Mouse/cursore.bmp", "ERROR: Impossibile caricare la texture\n", false},
    {"Immagini/Button/startGame.png", "ERROR: Impossibile caricare la texture\n", false},
    {"Immagini/Button/startGameOn.png", "ERROR: Impossibile caricare la texture\n", false},
    {"Immagini/Button/exitGame.png", "ERROR: Impossibile caricare la texture\n", false},
    {"Immagini/Button/exitGameOn.png", "ERROR: Impossibile caricare la texture\n", false},
    {"Data/flame/Flame_OK.fx",
     "Errore nel caricamento del file Flame.fx\nERROR: FX Creation Error\n", false},
    {"Data/flame/flame.PNG", "Impossibile caricare flameTexture\n", false},
    {"Data/flame/noiseL8_32x32x32.dds", "Impossibile caricare la noiseTexture\n", false},
    // The program says nothing of a mesh that does not load; the runtime names the file.
    {"Data/flame/flames.x", "D3DXLoadMeshFromX: ../Data/flame/flames.x: ", false},
};

enum class Damage { Missing, CutInHalf, RandomBytes };

const char* DamageName(Damage damage) {
  switch (damage) {
    case Damage::Missing:
      return "Missing";
    case Damage::CutInHalf:
      return "CutInHalf";
    case Damage::RandomBytes:
      return "RandomBytes";
  }
  return "";
}

// The data folders as copies of their own, so that one file can be damaged.
void CopyDataFolders(TestEnvironment& env) {
  for (const char* folder : {"Immagini", "Data"}) {
    const fs::path link = fs::path(env.Root()) / folder;
    const fs::path target = fs::read_symlink(link);
    fs::remove(link);
    fs::copy(target, link, fs::copy_options::recursive);
  }
}

void DamageFile(const fs::path& path, Damage damage, unsigned seed) {
  const uintmax_t size = fs::file_size(path);
  switch (damage) {
    case Damage::Missing:
      fs::remove(path);
      break;
    case Damage::CutInHalf:
      fs::resize_file(path, size / 2);
      break;
    case Damage::RandomBytes: {
      std::mt19937 random(seed);
      std::ofstream out(path, std::ios::binary | std::ios::trunc);
      for (uintmax_t i = 0; i < size; ++i) out.put(char(random() & 0xFF));
      break;
    }
  }
}

class DataMatrix : public ::testing::TestWithParam<std::tuple<int, Damage>> {};

TEST_P(DataMatrix, TheRunEndsAsTheProgramSays) {
  const DataFile& file = kFiles[std::get<0>(GetParam())];
  const Damage damage = std::get<1>(GetParam());
  TestEnvironment env;
  CopyDataFolders(env);
  DamageFile(fs::path(env.Root()) / file.path, damage,
             unsigned(std::get<0>(GetParam()) * 3 + int(damage)));

  env.host.AnswerMessageBoxes({1});
  env.host.SetStepPerPresent(250);  // few logo and loading frames: the demo is what counts
  const int kDemoFrames = 100, kFrameLimit = 2000;
  int demoFrames = 0;
  env.host.SetPresentHook([&](int frame) {
    // Space in the menu; then, once the demo has drawn its frames, the close box.
    if (!g_logoActive && !g_startChosen) env.host.PressKey(44);
    if (g_introReleased) ++demoFrames;
    if (demoFrames == kDemoFrames || frame == kFrameLimit) env.host.RequestClose();
  });
  ember::test::ResetProgram();
  const int status = WinMain(reinterpret_cast<HINSTANCE>(GetModuleHandleA(nullptr)), nullptr,
                             nullptr, SW_SHOWNORMAL);
  ember::test::ReleaseInputDevices();

  const std::string text = env.DebugText();
  const size_t message = text.find(file.message);
  EXPECT_NE(message, std::string::npos) << text;
  if (file.endsTheStart) {
    EXPECT_EQ(status, E_FAIL);
    EXPECT_NE(text.find("Inizializzazione Video Fallita\n", message), std::string::npos) << text;
    EXPECT_EQ(env.host.PresentCount(), 0);
    // The process would end here, without the shutdown sequence; the test releases for it.
    ember::test::ShutDownProgram();
  } else {
    EXPECT_EQ(status, 0);
    EXPECT_EQ(demoFrames, kDemoFrames);
    EXPECT_EQ(g_device, nullptr);
  }
}

std::string CaseName(const ::testing::TestParamInfo<DataMatrix::ParamType>& info) {
  std::string name = fs::path(kFiles[std::get<0>(info.param)].path).stem().string();
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return name + "_" + DamageName(std::get<1>(info.param));
}

INSTANTIATE_TEST_SUITE_P(EveryFile, DataMatrix,
                         ::testing::Combine(::testing::Range(0, int(std::size(kFiles))),
                                            ::testing::Values(Damage::Missing, Damage::CutInHalf,
                                                              Damage::RandomBytes)),
                         CaseName);

}  // namespace
