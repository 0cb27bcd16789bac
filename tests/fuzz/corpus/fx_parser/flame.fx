// A flame effect in the shape of the demo's: noise volume, flame image,
// running time and transforms, drawn additively.

float4x4 wvp : WORLDVIEWPROJECTION;
float4x4 world : WORLD;
float ticks : TIME = 0.0;

float noiseFreq < string UIName = "Noise frequency"; float UIMin = 0.0; > = 0.3;
float noiseStrength = 0.5;
float timeScale = 0.5;
float3 noiseScale = {0.5, 0.5, 0.5};
float3 noiseAnim = float3(0.4, -1.9, 0.8);
float4 flameColor : DIFFUSE = {0.4, 0.3, 0.3, 1.0};
float3 flameScale = {0.25, -0.18, 0.22};
float3 flameTrans = {0.0, -0.1, 0.0};

texture3D noiseTexture < string ResourceName = "noiseL8_32x32x32.dds"; >;
texture flameTexture;

sampler3D noiseSampler = sampler_state
{
    Texture = <noiseTexture>;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = Linear;
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

struct VertexIn
{
    float3 position : POSITION;
    float3 normal   : NORMAL;
    float2 uv       : TEXCOORD0;
    float3 tangent  : TANGENT;
    float3 binormal : BINORMAL;
};

struct VertexOut
{
    float4 position : POSITION;
    float2 uv       : TEXCOORD0;
    float3 noisePos : TEXCOORD1;
    float  shade    : TEXCOORD2;
};

VertexOut FlameVS(VertexIn input)
{
    VertexOut output;
    float4 objectPos = float4(input.position, 1.0);
    output.position = mul(objectPos, wvp);
    float3 worldPos = mul(objectPos, world).xyz;
    output.uv = input.uv;
    output.noisePos = worldPos * noiseScale + noiseAnim * ticks * timeScale;
    float3 n = normalize(mul(input.normal, (float3x3)world));
    output.shade = saturate(abs(n.z) + 0.1 * length(input.tangent + input.binormal));
    return output;
}

float4 FlamePS(float3 noisePos : TEXCOORD1, float2 uv : TEXCOORD0, float shade : TEXCOORD2) : COLOR0
{
    float noise = tex3D(noiseSampler, noisePos * noiseFreq).r * 2.0 - 1.0;
    float2 flameUv = uv * flameScale.xy + flameTrans.xy + noise * noiseStrength * flameScale.z;
    float4 flame = tex2D(flameSampler, flameUv);
    return flame * flameColor * shade;
}

technique Flame
{
    pass P0
    {
        AlphaBlendEnable = true;
        SrcBlend = One;
        DestBlend = One;
        ZWriteEnable = false;
        CullMode = None;
        VertexShader = compile vs_3_0 FlameVS();
        PixelShader = compile ps_3_0 FlamePS();
    }
}
