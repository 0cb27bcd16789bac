float4x4 wvp : WORLDVIEWPROJECTION;
float3 tint[2] = { {1, 0.5, 0}, {0, 1, 0.25} };
half scale <string UIName = "Scale"; float UIMin = 0;> = 2.5h;
bool useFog = true;
int count = 0x10;
string name = "states";
texture3D volumeTex;
sampler3D volumeSampler = sampler_state
{
    Texture = <volumeTex>;
    MinFilter = Linear; MagFilter = Point; MipFilter = None;
    AddressU = Wrap; AddressV = Clamp; AddressW = Mirror;
    BorderColor = 0xFF000000;
};
struct VsOut { float4 pos : POSITION; float3 uvw : TEXCOORD0; };
VsOut vs(float4 p : POSITION, uniform float k) { VsOut o; o.pos = mul(p, wvp) * k; o.uvw = p.xyz; return o; }
float4 ps(VsOut i) : COLOR0 { return tex3D(volumeSampler, i.uvw) * scale; }
technique T <string Group = "fuzz";>
{
    pass P0
    {
        ZEnable = TRUE; ZFunc = LessEqual; AlphaRef = 0x80; AlphaFunc = greater;
        ColorWriteEnable = Red | Green | Alpha; BlendOp = RevSubtract;
        SrcBlend = SrcAlpha; DestBlend = InvSrcAlpha; AlphaBlendEnable = true;
        CullMode = None; DepthBias = -0.5; StencilRef = 3; FillMode = Wireframe;
        VertexShader = compile vs_3_0 vs(1.5);
        PixelShader = compile ps_3_0 ps();
    }
    pass P1 { VertexShader = NULL; PixelShader = NULL; }
}
technique9 Other { pass { ZWriteEnable = false; } }
