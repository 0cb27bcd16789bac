// The flame: a stack of slices through the flame's volume, each cut to where the fire can
// show. Each slice looks up the flame image at its point's distance from the flame's axis
// and its height, displaced by turbulence that rises over time; finer noise rising faster
// breaks the upper flame into tongues. The slices are blended over each other like thin
// glowing veils, so the dense core tends to the image's core colour instead of burning out.

float noiseFreq = 0.3;
float noiseStrength = 0.5;
float timeScale = 0.5;
float3 noiseScale = {0.5, 0.5, 0.5};
float3 noiseAnim = {0.4, -1.9, 0.8};
float4 flameColor = {0.4, 0.3, 0.3, 1.0};
float3 flameScale = {0.25, -0.18, 0.22};
float3 flameTrans = {0.0, -0.1, 0.0};
float ticks : TIME;
float4x4 wvp : WORLDVIEWPROJECTION;
float4x4 world : WORLD;

texture3D noiseTexture;
texture flameTexture;

// The volume is magnified many times over the screen, so mip levels would only cost time.
sampler3D noiseSampler = sampler_state
{
    Texture = <noiseTexture>;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = None;
    AddressU = Wrap;
    AddressV = Wrap;
    AddressW = Wrap;
};

sampler2D flameSampler = sampler_state
{
    Texture = <flameTexture>;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = None;
    AddressU = Clamp;
    AddressV = Clamp;
};

// The mesh's 64-byte vertex.
struct FlameVertex
{
    float3 position : POSITION;
    float3 normal : NORMAL;
    float3 texcoord : TEXCOORD0;
    float3 tangent : TANGENT;
    float3 binormal : BINORMAL;
    float4 color : COLOR0;
};

struct FlameFragment
{
    float4 position : POSITION;
    // x and z: the point across the flame; y: the height, 0 at the tip and 1 at the base.
    float3 flameCoord : TEXCOORD0;
    float3 noiseCoord : TEXCOORD1;
    float3 tongueCoord : TEXCOORD2;
    float flicker : TEXCOORD3;
};

// The flame image's v runs from the tip (0) to the base (1).
static const float kBaseOffset = 0.83;
// The mesh is about 20 units high; the flame image covers most of it.
static const float kShapeScale = 1.0 / 3.0;
static const float kHeightStretch = 0.85;
// Turbulence a few times finer than the flame, and tongues finer still, drawn out upward
// and rising faster.
static const float kNoiseDetail = 0.6;
static const float3 kTongueDetail = {2.8, 1.2, 2.8};
static const float3 kTongueRise = {0.1, -1.4, 0.0};
// The sideways sway of the image lookup, at the base and added towards the tip.
static const float kSway = 0.15;
static const float kSwayTip = 0.85;
// How much light one slice adds, as a share of the flame colour.
static const float kSliceGain = 0.5;
// ...and how much of what lies behind it one slice hides.
static const float kSliceCover = 0.2;

FlameFragment FlameVS(FlameVertex v)
{
    FlameFragment o;
    float3 p = mul(float4(v.position, 1.0), world).xyz;
    o.position = mul(float4(v.position, 1.0), wvp);
    float3 shape = p * flameScale * kShapeScale + flameTrans;
    o.flameCoord = float3(shape.x, (shape.y + kBaseOffset) * kHeightStretch + (1.0 - kHeightStretch), shape.z);
    float time = ticks * timeScale;
    o.noiseCoord = p * noiseScale * noiseFreq * kNoiseDetail + noiseAnim * time;
    o.tongueCoord = o.noiseCoord * kTongueDetail + kTongueRise * time;
    // Two slow beats that drift apart: the whole fire breathes a little.
    o.flicker = 0.9 + 0.06 * sin(ticks * 9.1) + 0.04 * sin(ticks * 23.7 + 1.3);
    return o;
}

float4 FlamePS(FlameFragment f) : COLOR
{
    float height = f.flameCoord.y;
    float radius = length(f.flameCoord.xz);
    float rise = saturate(1.0 - height);
    float slow = tex3D(noiseSampler, f.noiseCoord).r;
    float fine = tex3D(noiseSampler, f.tongueCoord).r;
    float t = (slow * 0.65 + fine * 0.35 - 0.5) * noiseStrength * 2.0;
    float2 uv;
    uv.x = 0.5 + radius + t * (kSway + kSwayTip * rise);
    uv.y = height + t * (0.1 + 0.7 * rise);
    float4 c = tex2D(flameSampler, uv);
    // Higher up, only the crests of the fine noise burn: narrow tongues that break away.
    float tongues = saturate((fine - 0.7 * rise + 0.2) * 4.0);
    float light = c.a * lerp(1.0, tongues, 0.25 + 0.75 * rise) * f.flicker;
        // The flame colour only warms the image a little: its colours are the flame's own.
    float3 warmth = 0.8 + flameColor.rgb * 0.5;
    return float4(c.rgb * warmth * (light * kSliceGain), light * kSliceCover);
}

technique Flame
{
    pass P0
    {
        AlphaBlendEnable = true;
        SrcBlend = One;
        DestBlend = InvSrcAlpha;
        ZWriteEnable = false;
        CullMode = None;
        VertexShader = compile vs_3_0 FlameVS();
        PixelShader = compile ps_3_0 FlamePS();
    }
}
