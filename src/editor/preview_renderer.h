#pragma once
// The live preview: one textured square drawn with OpenGL 3.3 core into the
// current viewport, showing the raster's composite canvas with raster row 0
// at the bottom. Needs a current GL context with its entry points loaded.
#include <GL/glew.h>

#include <string>
#include <utility>
#include <vector>

#include "editor/preview_math.h"

class SelectableRaster;

// The two GLSL sources of the preview program, held as text.
extern const char* const kPreviewVertexSource;
extern const char* const kPreviewFragmentSource;

// Builds a program from (stage name, source) pairs ("frag", "vert", "comp",
// "geom"; any other name throws std::invalid_argument "Unknown shader file
// extension."). Prints each compile result and the link result; a failed
// build still returns the program object, which then draws nothing.
GLuint BuildShaderProgram(const std::vector<std::pair<std::string, std::string>>& stages,
                          const std::string& programName);

class PreviewRenderer {
public:
    // Builds the "UIShader" program.
    void BuildProgram();
    // Rebuilt at start-up and on every resize.
    void BuildProjection(float aspect) { projection_ = PreviewProjection(aspect); }
    // Sets the quad's transform; creates the shared vertex buffer and array
    // object the first time.
    void CreateQuad();
    // Draws the square with blending, depth test and culling off; texels of
    // alpha 0.3 or less are discarded. `look` zooms and pans it; `tiled`
    // draws it 3 x 3 so that seams show.
    void Draw(const PreviewLook& look = PreviewLook{}, bool tiled = false) const;
    // Uploads the composite canvas into the preview texture (the default
    // texture object, name 0) with nearest filtering, clamping and mipmaps.
    // The caller holds the raster lock.
    static void UploadTexture(const SelectableRaster& raster);

private:
    GLuint program_ = 0;
    Mat4 projection_ = Identity();
    QuadTransform quad_;
    static GLuint vertexBuffer_;
    static GLuint vertexArray_;
};
