// Merge pass, fragment stage: red-cyan anaglyph of the two eye images.
//
// imgL, imgR: left-eye and right-eye colour images (texture units 0 and 1).
// bias: horizontal shift between the eye images, in image widths. Each image
// is moved half of it towards the other, which cancels most of the parallax
// the eye offsets give the scene's centre, so the scene sits near the screen
// plane instead of floating in front of it.
//
// The colours are mixed with Dubois' least-squares matrices for red-cyan
// glasses, which keep far more of the original colour than taking red from
// one eye and green and blue from the other, with less ghosting.
#version 120

uniform sampler2D imgL;
uniform sampler2D imgR;
uniform float bias;

varying vec2 screenCoord;

// Column i holds the weights of input channel i (GLSL matrices are column-major).
const mat3 leftWeights = mat3( 0.456, -0.040, -0.015,
                               0.500, -0.038, -0.021,
                               0.176, -0.016, -0.005);
const mat3 rightWeights = mat3(-0.043,  0.378, -0.072,
                               -0.088,  0.734, -0.113,
                               -0.002, -0.018,  1.226);

void main()
{
    // Clamped rather than wrapped, so no strip of the opposite edge shows.
    vec2 shift = vec2(0.5 * bias, 0.0);
    vec2 leftCoord = vec2(clamp(screenCoord.x + shift.x, 0.0, 1.0), screenCoord.y);
    vec2 rightCoord = vec2(clamp(screenCoord.x - shift.x, 0.0, 1.0), screenCoord.y);
    vec3 left = texture2D(imgL, leftCoord).rgb;
    vec3 right = texture2D(imgR, rightCoord).rgb;
    gl_FragColor = vec4(clamp(leftWeights * left + rightWeights * right, 0.0, 1.0), 1.0);
}
