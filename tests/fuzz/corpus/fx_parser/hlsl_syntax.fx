// A vertex shader with a statement missing its operand.
float4x4 wvp;

float4 MainVS(float4 position : POSITION) : POSITION
{
    float4 p = mul(position, wvp);
    p.xy = p.xy * ;
    return p;
}

float4 MainPS() : COLOR0
{
    return float4(1, 1, 1, 1);
}

technique T
{
    pass P
    {
        VertexShader = compile vs_2_0 MainVS();
        PixelShader = compile ps_2_0 MainPS();
    }
}
