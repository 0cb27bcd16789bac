// A pixel shader that reads a name nobody declared.
float4 tint = {1, 0.5, 0.25, 1};

float4 MainVS(float4 position : POSITION) : POSITION
{
    return position;
}

float4 MainPS() : COLOR0
{
    float4 c = tint;
    return c * glowAmount;
}

technique T
{
    pass P
    {
        VertexShader = compile vs_2_0 MainVS();
        PixelShader = compile ps_2_0 MainPS();
    }
}
