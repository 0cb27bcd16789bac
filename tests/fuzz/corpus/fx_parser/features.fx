#define COUNT(n) (n * 2)
#define NAME(x) #x
#define JOIN(a, b) a ## b
static const int LIGHTS = COUNT(2) - 1;
static const float3 UP = normalize(float3(0, 2, 0));
static const float weights[2] = { 0.25, 0.75 };
float4 lightPos[LIGHTS];
float3 side = cross(UP, float3(1, 0, 0)) * weights[1];
int mask = (1 << 4) | 0x3;
bool flag = LIGHTS > 2 && !false ? true : false;
int which = 1;
bool blend = true;
string label = NAME(fire);
texture t0;
texture t1;
sampler2D maps[2] = { sampler_state { Texture = <t0>; MinFilter = <which>; },
                      sampler_state { Texture = <t1>; MinFilter = Linear; } };
float4 VS(float3 p : POSITION, uniform float s) : POSITION { return float4(p * s, 1); }
float4 PS(float2 pixel : VPOS, float face : VFACE) : COLOR0 { return tex2D(maps[0], pixel) * face; }
VertexShader shaders[2] = { compile vs_3_0 VS(1), compile vs_3_0 VS(2) };
PixelShader JOIN(main, PS) = compile ps_3_0 PS();
RasterizerState NoCull { CullMode = NONE; };
technique10 T10 < string Script = "Pass=p0;"; > { pass p0 { SetRasterizerState(NoCull); } }
technique T
{
    pass P
    {
        AlphaBlendEnable = <blend>;
        AlphaRef = 0x40 + LIGHTS;
        VertexShader = (shaders[which]);
        PixelShader = (mainPS);
    }
}
