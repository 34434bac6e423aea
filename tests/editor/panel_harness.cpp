#include "panel_harness.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <utility>
#include <vector>

namespace {
constexpr int kEnterKey = 257;  // any free index; mapped below
constexpr int kBackspaceKey = 259;
}  // namespace

void PanelTest::SetUp() {
    context_ = ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    io.DisplaySize = ImVec2(1000, 800);
    io.DeltaTime = 1.0f / 60.0f;
    io.KeyMap[ImGuiKey_Enter] = kEnterKey;
    io.KeyMap[ImGuiKey_Backspace] = kBackspaceKey;
    unsigned char* pixels = nullptr;
    int width = 0, height = 0;
    io.Fonts->GetTexDataAsRGBA32(&pixels, &width, &height);
    ImGui::StyleColorsDark();

    ResetQueueState();
    instructionQueue = MakeDefaultQueue();
    catalogueChoice = 0;
    MoveMouse(-100, -100);
    for (int settle = 0; settle < 3; ++settle) Frame();  // windows take their sizes
}

void PanelTest::TearDown() {
    ImGui::DestroyContext(context_);
    ResetQueueState();
}

std::string PanelTest::Frame() {
    if (!ImGui::GetIO().MouseDown[0]) draggedIndex = -1;
    ApplyRemovalRequests();

    ImGui::NewFrame();
    BuildEditorWindows();
    ImGui::Render();
    return ScreenText();
}

// Each visible glyph is one textured quad whose first and third vertices
// carry the glyph's atlas corners; its pen position and baseline follow from
// the glyph's offsets at the quad's scale.
std::string ScreenText() {
    ImFont* font = ImGui::GetIO().Fonts->Fonts[0];
    std::map<std::pair<float, float>, const ImFontGlyph*> byCorner;
    for (const ImFontGlyph& glyph : font->Glyphs)
        if (glyph.Visible && glyph.X1 > glyph.X0) byCorner[{glyph.U0, glyph.V0}] = &glyph;
    const float spaceAdvance = font->FindGlyph(' ')->AdvanceX;

    struct Placed {
        float baseline, pen, end, scale;
        char c;
    };
    std::string text;
    const ImDrawData* data = ImGui::GetDrawData();
    for (int l = 0; data != nullptr && l < data->CmdListsCount; ++l) {
        const ImVector<ImDrawVert>& v = data->CmdLists[l]->VtxBuffer;
        std::vector<Placed> placed;
        for (int i = 0; i + 2 < v.Size; ++i) {
            const auto found = byCorner.find({v[i].uv.x, v[i].uv.y});
            if (found == byCorner.end()) continue;
            const ImFontGlyph& glyph = *found->second;
            if (v[i + 2].uv.x != glyph.U1 || v[i + 2].uv.y != glyph.V1) continue;
            const float scale = (v[i + 2].pos.x - v[i].pos.x) / (glyph.X1 - glyph.X0);
            const float pen = v[i].pos.x - glyph.X0 * scale;
            placed.push_back({v[i].pos.y - glyph.Y0 * scale, pen, pen + glyph.AdvanceX * scale, scale,
                              char(glyph.Codepoint)});
            i += 3;
        }
        // Text beside a framed widget sits a frame padding higher than the
        // widget's own: baselines within 5 pixels share a line.
        std::sort(placed.begin(), placed.end(),
                  [](const Placed& a, const Placed& b) { return a.baseline < b.baseline; });
        std::vector<int> line(placed.size(), 0);
        for (size_t g = 1, start = 0; g < placed.size(); ++g) {
            if (placed[g].baseline - placed[start].baseline > 5.0f) start = g;
            line[g] = int(start);
        }
        std::vector<size_t> order(placed.size());
        for (size_t g = 0; g < order.size(); ++g) order[g] = g;
        std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
            return line[a] != line[b] ? line[a] < line[b] : placed[a].pen < placed[b].pen;
        });
        for (size_t k = 0; k < order.size(); ++k) {
            const Placed& here = placed[order[k]];
            if (k == 0 || line[order[k]] != line[order[k - 1]]) {
                text += '\n';
            } else {
                const float gap = here.pen - placed[order[k - 1]].end;
                const int spaces = int(std::lround(gap / (spaceAdvance * here.scale)));
                text.append(size_t(std::max(spaces, 0)), ' ');
            }
            text += here.c;
        }
    }
    return text;
}

void PanelTest::Click(ImVec2 at) {
    MoveMouse(at.x, at.y);
    Frame();
    SetButton(true);
    Frame();
    SetButton(false);
    Frame();
}

void PanelTest::PressAndDrag(ImVec2 from, ImVec2 to, int steps) {
    MoveMouse(from.x, from.y);
    Frame();
    SetButton(true);
    Frame();
    for (int s = 1; s <= steps; ++s) {
        MoveMouse(from.x + (to.x - from.x) * float(s) / float(steps),
                  from.y + (to.y - from.y) * float(s) / float(steps));
        Frame();
    }
}

void PanelTest::TypeInto(ImVec2 widget, const std::string& text) {
    ImGuiIO& io = ImGui::GetIO();
    io.KeyCtrl = true;
    Click(widget);
    io.KeyCtrl = false;
    for (char c : text) io.AddInputCharacter(static_cast<unsigned char>(c));
    Frame();
    io.KeysDown[kEnterKey] = true;
    Frame();
    io.KeysDown[kEnterKey] = false;
    Frame();
}

ImGuiWindow* PanelTest::FindWindow(const char* name) {
    for (ImGuiWindow* window : GImGui->Windows)
        if (std::strstr(window->Name, name) != nullptr && window->Active) return window;
    return nullptr;
}

std::optional<ImVec2> PanelTest::FindWidget(const char* windowName, const std::string& label) {
    ImGuiWindow* window = FindWindow(windowName);
    if (window == nullptr) return std::nullopt;
    const ImGuiID id = window->GetID(label.c_str());
    const ImRect area = window->InnerClipRect;
    // Widgets are at least 19 pixels each way: a 6-pixel grid hits each one,
    // and the first hit plus 3 lies inside it.
    for (float y = area.Min.y + 1; y < area.Max.y; y += 6) {
        for (float x = area.Min.x + 1; x < area.Max.x; x += 6) {
            MoveMouse(x, y);
            Frame();
            if (GImGui->HoveredId == id) return ImVec2(x + 3, y + 3);
        }
    }
    return std::nullopt;
}

ImVec2 PanelTest::RowCentre(int i) {
    ImGuiWindow* box = FindWindow("/Instructions Queue Box_");
    EXPECT_NE(box, nullptr);
    if (box == nullptr) return ImVec2(-1, -1);
    return ImVec2(box->DC.CursorStartPos.x + 60.0f, box->DC.CursorStartPos.y + 35.0f * float(i) + 15.0f);
}

int CountOf(const std::string& text, const std::string& needle) {
    int count = 0;
    for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + needle.size()))
        ++count;
    return count;
}
