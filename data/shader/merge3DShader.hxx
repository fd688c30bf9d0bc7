// Merge pass, vertex stage. The merge quad spans the whole viewport and has
// no texture coordinates of its own, so each corner's clip-space position
// gives the place in the eye images it samples.
#version 120

varying vec2 screenCoord;

void main()
{
    gl_Position = ftransform();
    screenCoord = gl_Position.xy / gl_Position.w * 0.5 + 0.5;
}
