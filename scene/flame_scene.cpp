#include "scene/flame_scene.h"

#include <cstdio>
#include <cstring>

#include "app/app_state.h"
#include "app/log.h"
#include "overlay/frame_rate.h"
#include "overlay/text_font.h"
#include "scene/camera.h"
#include "scene/mesh_object.h"

IDirect3DSurface9* g_backBuffer = nullptr;
IDirect3DSurface9* g_backgroundSurface = nullptr;
ID3DXEffect* g_flameEffect = nullptr;
ID3DXBuffer* g_effectErrors = nullptr;
DWORD g_effectFlags = 0;
IDirect3DVolumeTexture9* g_noiseTexture = nullptr;
IDirect3DTexture9* g_flameTexture = nullptr;

D3DXMATRIX g_worldMatrix;
D3DXMATRIX g_projectionMatrix;
D3DXMATRIX g_wvpMatrix;
float g_ticks = 0.0f;
float g_frameRate = 0.0f;
char g_fpsText[256];

namespace {

const char* const kBackgroundPicture = "..\\Immagini\\sfondo.bmp";
const char* const kFlameMeshFile = "..\\Data\\flame\\flames.x";
const char* const kFlameEffectFile = "..\\Data\\flame\\Flame_OK.fx";
const char* const kNoiseVolumeFile = "..\\Data\\flame\\noiseL8_32x32x32.dds";
const char* const kFlameImageFile = "..\\Data\\flame\\flame.PNG";

// The tick count at the scene load: the effect's time counts from there, so that it keeps
// full float precision however long the system has been up.
DWORD g_sceneStartTicks = 0;

void SetFloatOrReport(const char* name, float value, const char* message) {
  if (FAILED(g_flameEffect->SetFloat(name, value))) OutputDebugStringA(message);
}

void SetValueOrReport(const char* name, const void* value, UINT bytes, const char* message) {
  if (FAILED(g_flameEffect->SetValue(name, value, bytes))) OutputDebugStringA(message);
}

void SetTextureOrReport(const char* name, IDirect3DBaseTexture9* texture, const char* message) {
  if (FAILED(g_flameEffect->SetTexture(name, texture))) OutputDebugStringA(message);
}

void CreateFlameEffect() {
  g_effectFlags |= D3DXSHADER_NO_PRESHADER;
  if (SUCCEEDED(D3DXCreateEffectFromFileA(g_device, kFlameEffectFile, nullptr, nullptr,
                                          g_effectFlags, nullptr, &g_flameEffect, &g_effectErrors)))
    return;
  OutputDebugStringA("Errore nel caricamento del file Flame.fx\n");
  ReportError("FX Creation Error");
  // Without compiler text, the box still says which file could not be used.
  char fallback[160];
  std::snprintf(fallback, sizeof fallback, "Impossibile leggere il file %s", kFlameEffectFile);
  const char* text =
      g_effectErrors ? static_cast<const char*>(g_effectErrors->GetBufferPointer()) : fallback;
  MessageBoxA(nullptr, text, "Fx Creation Error", MB_ICONWARNING);
}

void SetConstantParameters() {
  SetFloatOrReport("noiseFreq", 0.3f, "Impossibile assegnare noiseFreq\n");
  SetFloatOrReport("noiseStrength", 0.5f, "Impossibile assegnare noiseStrength\n");
  SetFloatOrReport("timeScale", 0.5f, "Impossibile assegnare timeScale\n");
  const D3DXVECTOR3 noiseScale(0.5f, 0.5f, 0.5f), noiseAnim(0.4f, -1.9f, 0.8f);
  SetValueOrReport("noiseScale", &noiseScale, 12, "Impossibile assegnare noiseScale\n");
  SetValueOrReport("noiseAnim", &noiseAnim, 12, "Impossibile assegnare noiseAnim\n");
  const D3DXCOLOR flameColor(0.4f, 0.3f, 0.3f, 1.0f);
  const D3DXVECTOR3 flameScale(0.25f, -0.18f, 0.22f), flameTrans(0.0f, -0.1f, 0.0f);
  SetValueOrReport("flameColor", &flameColor, 16, "Impossibile assegnare flameColor\n");
  SetValueOrReport("flameScale", &flameScale, 12, "Impossibile assegnare flameScale\n");
  SetValueOrReport("flameTrans", &flameTrans, 12, "Impossibile assegnare flameTrans\n");
}

void LoadFlameTextures() {
  if (FAILED(D3DXCreateVolumeTextureFromFileExA(
          g_device, kNoiseVolumeFile, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
          D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0xFF000000, nullptr, nullptr,
          &g_noiseTexture)))
    OutputDebugStringA("Impossibile caricare la noiseTexture\n");
  if (FAILED(D3DXCreateTextureFromFileExA(g_device, kFlameImageFile, D3DX_DEFAULT, D3DX_DEFAULT,
                                          D3DX_DEFAULT, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
                                          D3DX_DEFAULT, D3DX_DEFAULT, 0xFF000000, nullptr, nullptr,
                                          &g_flameTexture)))
    OutputDebugStringA("Impossibile caricare flameTexture\n");
}

}  // namespace

void DrawFlame() {
  ID3DXMesh* mesh = g_flameMesh ? g_flameMesh->MeshData.pMesh : nullptr;
  if (!g_flameEffect || !mesh) return;
  g_flameEffect->SetFloat("ticks", g_ticks);
  g_flameEffect->SetMatrix("wvp", &g_wvpMatrix);
  g_flameEffect->SetMatrix("world", &g_worldMatrix);
  UINT passes = 0;
  if (FAILED(g_flameEffect->Begin(&passes, 0))) return;
  for (UINT i = 0; i < passes; ++i) {
    g_flameEffect->BeginPass(i);
    mesh->DrawSubset(0);
    g_flameEffect->EndPass();
  }
  g_flameEffect->End();
}

HRESULT LoadBitmapSurface(const char* path, IDirect3DSurface9** surface, IDirect3DDevice9* device) {
  HANDLE bitmap =
      LoadImageA(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION);
  if (!bitmap) {
    ReportError("Unable to load bitmap");
    return E_FAIL;
  }
  BITMAP info{};
  GetObjectA(bitmap, sizeof info, &info);
  DeleteObject(bitmap);
  if (FAILED(device->CreateOffscreenPlainSurface(UINT(info.bmWidth), UINT(info.bmHeight),
                                                 D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, surface,
                                                 nullptr))) {
    ReportError("Unable to create surface for bitmap load");
    return E_FAIL;
  }
  if (FAILED(D3DXLoadSurfaceFromFileA(*surface, nullptr, nullptr, path, nullptr, D3DX_FILTER_NONE,
                                      0, nullptr))) {
    ReportError("Unable to load file to surface");
    return E_FAIL;
  }
  return S_OK;
}

int LoadFlameScene() {
  if (FAILED(g_device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &g_backBuffer)))
    ReportError("Couldnt get backbuffer");
  LoadBitmapSurface(kBackgroundPicture, &g_backgroundSurface, g_device);

  LoadMeshContainer(&g_flameMesh, g_device, kFlameMeshFile);
  g_flameObject.AttachMeshContainer(g_flameMesh);
  g_flameObject.ComputeBounds(g_flameMesh);

  CreateFlameEffect();
  if (g_flameEffect) SetConstantParameters();
  LoadFlameTextures();
  if (g_flameEffect) {
    SetTextureOrReport("noiseTexture", g_noiseTexture, "Impossibile assegnare noiseTexture\n");
    SetTextureOrReport("flameTexture", g_flameTexture, "Impossibile assegnare flameTexture\n");
  }

  g_targetDistance = 100.0f;
  g_camera.SetPosition(0.0f, 0.0f, 60.0f);

  if (g_flameMesh && FAILED(g_device->SetVertexDeclaration(g_flameMesh->vertexDeclaration)))
    ReportError("Errore nella funzione SetVertexDeclaration");
  if (g_flameEffect) {
    D3DXHANDLE technique = nullptr;
    g_flameEffect->FindNextValidTechnique(nullptr, &technique);
    g_flameEffect->SetTechnique(technique);
  }
  g_sceneStartTicks = GetTickCount();
  return 1;
}

HRESULT RenderFlameFrame() {
  g_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0x00000000,
                  1.0f, 0);
  if (g_backgroundSurface && g_backBuffer)
    g_device->UpdateSurface(g_backgroundSurface, nullptr, g_backBuffer, nullptr);
  UpdateCamera();
  g_device->GetTransform(D3DTS_WORLD, &g_worldMatrix);
  g_device->GetTransform(D3DTS_PROJECTION, &g_projectionMatrix);
  D3DXMatrixMultiply(&g_wvpMatrix, &g_worldMatrix, &g_camera.view);
  D3DXMatrixMultiply(&g_wvpMatrix, &g_wvpMatrix, &g_projectionMatrix);
  // Seconds since the scene load, from an unsigned difference that survives the wrap.
  g_ticks = float(GetTickCount() - g_sceneStartTicks) / 1000.0f;
  g_flameObject.UpdateWorldTransform();

  g_device->BeginScene();
  if (g_flameMesh && FAILED(g_device->SetVertexDeclaration(g_flameMesh->vertexDeclaration)))
    ReportError("Errore nella funzione SetVertexDeclaration");
  DrawFlame();
  g_device->EndScene();

  g_device->BeginScene();
  g_frameRate = GetFrameRate();
  std::snprintf(g_fpsText, sizeof g_fpsText, "FPS: %.2f", double(g_frameRate));
  DrawText2D(int(g_screenWidth * 0.2 / 100), int(g_screenHeight * 0.2 / 100), g_fpsText,
             D3DXCOLOR(255.0f, 255.0f, 255.0f, 1.0f));
  g_device->EndScene();
  return g_device->Present(nullptr, nullptr, nullptr, nullptr);
}

void ReleaseFlameEffectAndTextures() {
  ReleaseIfSet(g_flameEffect);
  ReleaseIfSet(g_noiseTexture);
  ReleaseIfSet(g_flameTexture);
}
