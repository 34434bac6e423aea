#include "editor/preview_renderer.h"

#include <stdexcept>

#include "raster/console.h"
#include "raster/selectable_raster.h"

// y is negated before the transforms, so texture row 0 (v = 1 at the top
// vertices of the quad table) ends up at the bottom of the square.
const char* const kPreviewVertexSource = R"(#version 330
layout (location = 0) in vec3 vertPos;
layout (location = 1) in vec2 vertUV;

uniform mat4 projection;
uniform mat4 view;
uniform mat4 model;

out vec2 fragUV;

void main()
{
    fragUV = vertUV;
    gl_Position = projection * view * model * vec4(vertPos.x, -vertPos.y, vertPos.z, 1.0);
}
)";

// Texels of alpha 0.3 or less are discarded so the clear colour shows; with
// blending off the rest are drawn at full opacity.
const char* const kPreviewFragmentSource = R"(#version 330
in vec2 fragUV;
out vec4 color;

uniform vec4 forcedColor;
uniform bool useTexture;
uniform sampler2D inTexture;

void main()
{
    if (useTexture) {
        vec4 texel = texture(inTexture, fragUV);
        if (texel.a > 0.3)
            color = texel;
        else
            discard;
    } else {
        if (forcedColor.a < 0.01)
            color = vec4(1.0, 0.0, 0.0, 1.0);
        else
            color = forcedColor;
    }
}
)";

namespace {

GLenum ShaderType(const std::string& stage) {
    if (stage == "frag") return GL_FRAGMENT_SHADER;
    if (stage == "vert") return GL_VERTEX_SHADER;
    if (stage == "comp") return GL_COMPUTE_SHADER;
    if (stage == "geom") return GL_GEOMETRY_SHADER;
    throw std::invalid_argument("Unknown shader file extension.");
}

void CompileShader(GLuint shader, const std::string& source) {
    const char* text = source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint status = GL_FALSE;
    GLint logLength = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
    glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &logLength);
    if (status == GL_TRUE) {
        PrintInfoLine("Shader '" + source + "' compiled successfully. ");
        return;
    }
    std::string log(size_t(logLength > 0 ? logLength : 0) + 1, '\0');
    glGetShaderInfoLog(shader, GLsizei(log.size()), nullptr, log.data());
    log.resize(log.find('\0'));
    PrintErrorLine("Shader '" + source + "' failed to compile: " + log);
}

// Six vertices of (x, y, z, u, v): two triangles covering -0.5 .. 0.5.
constexpr float kQuadVertices[6 * 5] = {
    -0.5f, -0.5f, 0.0f, 0.0f, 1.0f,
     0.5f, -0.5f, 0.0f, 1.0f, 1.0f,
     0.5f,  0.5f, 0.0f, 1.0f, 0.0f,
     0.5f,  0.5f, 0.0f, 1.0f, 0.0f,
    -0.5f,  0.5f, 0.0f, 0.0f, 0.0f,
    -0.5f, -0.5f, 0.0f, 0.0f, 1.0f,
};
constexpr GLsizei kVertexStride = 5 * sizeof(float);  // 20 bytes

// The preview texture is the context's default 2D texture: nothing is generated or deleted.
constexpr GLuint kPreviewTexture = 0;

}  // namespace

GLuint BuildShaderProgram(const std::vector<std::pair<std::string, std::string>>& stages,
                          const std::string& /*programName*/) {
    std::vector<GLuint> shaders;
    for (const auto& [stage, source] : stages) {
        const GLuint shader = glCreateShader(ShaderType(stage));
        CompileShader(shader, source);
        shaders.push_back(shader);
    }
    const GLuint program = glCreateProgram();
    for (GLuint shader : shaders) glAttachShader(program, shader);
    glLinkProgram(program);
    GLint status = GL_FALSE;
    GLint logLength = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &status);
    glGetProgramiv(program, GL_INFO_LOG_LENGTH, &logLength);
    if (status == GL_TRUE) {
        PrintInfoLine("Program linked successfully. ");
    } else {
        std::string log(size_t(logLength > 0 ? logLength : 0) + 1, '\0');
        glGetProgramInfoLog(program, GLsizei(log.size()), nullptr, log.data());
        log.resize(log.find('\0'));
        PrintErrorLine("Program failed to link: " + log);
    }
    glValidateProgram(program);
    for (GLuint shader : shaders) {
        glDetachShader(program, shader);
        glDeleteShader(shader);
    }
    return program;
}

GLuint PreviewRenderer::vertexBuffer_ = 0;
GLuint PreviewRenderer::vertexArray_ = 0;

void PreviewRenderer::BuildProgram() {
    program_ = BuildShaderProgram({{"frag", kPreviewFragmentSource}, {"vert", kPreviewVertexSource}},
                                  "UIShader");
}

void PreviewRenderer::CreateQuad() {
    quad_ = QuadTransform{};
    if (vertexBuffer_ != 0 && vertexArray_ != 0) return;
    glGenVertexArrays(1, &vertexArray_);
    glGenBuffers(1, &vertexBuffer_);
    glBindVertexArray(vertexArray_);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
    glBufferData(GL_ARRAY_BUFFER, sizeof kQuadVertices, kQuadVertices, GL_STATIC_DRAW);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, kVertexStride, reinterpret_cast<void*>(0));
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, kVertexStride,
                          reinterpret_cast<void*>(3 * sizeof(float)));
    glEnableVertexAttribArray(0);
    glEnableVertexAttribArray(1);
}

void PreviewRenderer::Draw(const PreviewLook& look, bool tiled) const {
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_BLEND);
    glUseProgram(program_);
    const Mat4 view = PreviewView();
    const Mat4 projection =
        look.IsDefault() && !tiled ? projection_ : Multiply(LookMatrix(look, tiled), projection_);
    glUniformMatrix4fv(glGetUniformLocation(program_, "projection"), 1, GL_FALSE, projection.data());
    glUniformMatrix4fv(glGetUniformLocation(program_, "view"), 1, GL_FALSE, view.data());
    glUniform4f(glGetUniformLocation(program_, "forcedColor"), 0.0f, 1.0f, 0.0f, 1.0f);
    glUniform1i(glGetUniformLocation(program_, "useTexture"), 1);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, kPreviewTexture);
    glBindVertexArray(vertexArray_);
    const int reach = tiled ? 1 : 0;
    for (int row = -reach; row <= reach; ++row) {
        for (int column = -reach; column <= reach; ++column) {
            const Mat4 model = tiled ? TileModel(quad_, column, row) : PreviewModel(quad_);
            glUniformMatrix4fv(glGetUniformLocation(program_, "model"), 1, GL_FALSE, model.data());
            glDrawArrays(GL_TRIANGLES, 0, 6);
        }
    }
}

void PreviewRenderer::UploadTexture(const SelectableRaster& raster) {
    glBindTexture(GL_TEXTURE_2D, kPreviewTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);

    // Bottom row first: raster row 0 becomes texture row 0.
    const PixelBuffer& canvas = raster.CompositeCanvas();
    std::vector<unsigned char> bytes;
    bytes.reserve(canvas.size() * 4);
    for (const Color& c : canvas) bytes.insert(bytes.end(), {c.r, c.g, c.b, c.a});
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, GLsizei(raster.Width()), GLsizei(raster.Height()), 0,
                 GL_RGBA, GL_UNSIGNED_BYTE, bytes.data());
    glGenerateMipmap(GL_TEXTURE_2D);
}
