// Renders the program offscreen on the scripted host's virtual clock, 40 ms a frame, from the
// logo through the menu into the burning demo, and writes the presented frames as BMP pictures
// of the window's inside: logo.bmp, menu.bmp (the cursor over START), demo.bmp, and
// flame_000.bmp onward, one per frame of the demo. The same run always makes the same pictures. Run
// it from the staged program's directory (build/stage/bin):
//   capture OUTDIR [demo frames]
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/app_state.h"
#include "runtime/host/scripted_host.h"
#include "video/graphics.h"

namespace {

constexpr int kFrameMs = 40;
// The demo's frame-rate line settles after its first second; the film starts after it.
constexpr int kDemoFramesSkipped = 30;

struct Capture {
  std::string folder;
  int demoFrames = 0;
  int menuFrames = 0, demoFrame = 0, written = 0;
  bool failed = false;

  void Save(const std::string& name) {
    const std::string path = folder + "/" + name + ".bmp";
    // With the copy swap effect the back buffer still holds the frame just presented.
    IDirect3DSurface9* back = nullptr;
    bool saved = false;
    if (SUCCEEDED(g_device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back))) {
      saved = D3DXSaveSurfaceToFileA(path.c_str(), D3DXIFF_BMP, back, nullptr, nullptr) == S_OK;
      back->Release();
    }
    if (saved) {
      ++written;
    } else {
      std::fprintf(stderr, "capture: could not write %s\n", path.c_str());
      failed = true;
    }
  }

  // Called after every presented frame; true once the film is complete.
  bool OnFrame(ember::host::ScriptedHost& host, int presented) {
    if (presented == 10) Save("logo");
    if (g_logoActive || g_startChosen) {
      if (!g_introReleased) return false;
      const int index = demoFrame++ - kDemoFramesSkipped;
      if (index == 0) Save("demo");
      if (index >= 0 && index < demoFrames) {
        char name[32];
        std::snprintf(name, sizeof name, "flame_%03d", index);
        Save(name);
      }
      return index + 1 >= demoFrames;
    }
    ++menuFrames;
    if (menuFrames == 2) host.MoveMouse(380, 310);  // from the corner onto START
    if (menuFrames == 12) {
      Save("menu");
      host.PressKey(44);  // Space
    }
    return false;
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s OUTDIR [demo frames]\n", argv[0]);
    return 2;
  }
  Capture capture;
  capture.folder = argv[1];
  capture.demoFrames = argc > 2 ? std::atoi(argv[2]) : 75;
  if (capture.demoFrames < 1) capture.demoFrames = 1;

  ember::host::ScriptedHost host;
  ember::host::Install(&host);
  host.AnswerMessageBoxes({1});
  host.SetStepPerPresent(kFrameMs);
  bool complete = false;
  host.SetPresentHook([&](int presented) {
    if (!complete && capture.OnFrame(host, presented)) {
      complete = true;
      host.RequestClose();
    }
  });
  const int status = WinMain(reinterpret_cast<HINSTANCE>(GetModuleHandleA(nullptr)), nullptr,
                             nullptr, SW_SHOWNORMAL);
  if (!complete || capture.failed) {
    std::fprintf(stderr, "capture: the program ended (%d) after %d of the pictures\n", status,
                 capture.written);
    return 1;
  }
  std::printf("capture: %d pictures in %s\n", capture.written, capture.folder.c_str());
  return 0;
}
