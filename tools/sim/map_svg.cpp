#include "tools/sim/map_svg.h"

#include <cstdio>
#include <string_view>
#include <vector>

namespace {

constexpr double kScale = 5;      // pixels per world unit
constexpr double kMargin = 30;    // pixels around the field
constexpr double kLegendW = 230;  // pixels of the legend column

std::string Num(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

class Picture {
 public:
  explicit Picture(const MapRecord& map) : map_(map) {}

  double X(double x) const { return kMargin + x * kScale; }
  double Y(double y) const { return kMargin + (map_.fieldHeight - y) * kScale; }
  double Width() const { return 2 * kMargin + map_.fieldWidth * kScale + kLegendW; }
  double Height() const { return 2 * kMargin + map_.fieldHeight * kScale; }

  // A world rectangle [x0, x1] x [y0, y1].
  void Rect(double x0, double y0, double x1, double y1, std::string_view style) {
    out_ += "<rect x=\"" + Num(X(x0)) + "\" y=\"" + Num(Y(y1)) + "\" width=\"" +
            Num((x1 - x0) * kScale) + "\" height=\"" + Num((y1 - y0) * kScale) + "\" " +
            std::string(style) + "/>\n";
  }
  // A world line from (x0, y0) to (x1, y1).
  void Line(double x0, double y0, double x1, double y1, std::string_view style) {
    out_ += "<line x1=\"" + Num(X(x0)) + "\" y1=\"" + Num(Y(y0)) + "\" x2=\"" + Num(X(x1)) +
            "\" y2=\"" + Num(Y(y1)) + "\" " + std::string(style) + "/>\n";
  }
  void Circle(MapPoint c, double radiusPx, std::string_view style) {
    out_ += "<circle cx=\"" + Num(X(c.x)) + "\" cy=\"" + Num(Y(c.y)) + "\" r=\"" + Num(radiusPx) +
            "\" " + std::string(style) + "/>\n";
  }
  void Cross(MapPoint c, double halfPx, std::string_view stroke) {
    double x = X(c.x), y = Y(c.y);
    out_ += "<path d=\"M" + Num(x - halfPx) + " " + Num(y - halfPx) + "L" + Num(x + halfPx) + " " +
            Num(y + halfPx) + "M" + Num(x - halfPx) + " " + Num(y + halfPx) + "L" +
            Num(x + halfPx) + " " + Num(y - halfPx) + "\" " + std::string(stroke) + "/>\n";
  }
  void Path(const std::vector<MapPoint>& points, std::string_view style) {
    if (points.size() < 2) return;
    out_ += "<polyline fill=\"none\" " + std::string(style) + " points=\"";
    for (const MapPoint& p : points) out_ += Num(X(p.x)) + "," + Num(Y(p.y)) + " ";
    out_ += "\"/>\n";
  }
  // Text at pixel coordinates.
  void Text(double x, double y, std::string_view text, std::string_view style = "") {
    out_ += "<text x=\"" + Num(x) + "\" y=\"" + Num(y) + "\" " + std::string(style) + ">" +
            std::string(text) + "</text>\n";
  }
  void Raw(std::string_view text) { out_ += text; }
  const std::string& Out() const { return out_; }

 private:
  const MapRecord& map_;
  std::string out_;
};

void DrawField(Picture& pic, const MapRecord& map) {
  pic.Rect(0, 0, map.fieldWidth, map.fieldHeight, "fill=\"#eef4e4\" stroke=\"#555\"");
  for (int32_t v = 10; v < map.fieldWidth; v += 10) {
    pic.Line(v, 0, v, map.fieldHeight, "stroke=\"#dde6d2\" stroke-width=\"1\"");
  }
  for (int32_t v = 10; v < map.fieldHeight; v += 10) {
    pic.Line(0, v, map.fieldWidth, v, "stroke=\"#dde6d2\" stroke-width=\"1\"");
  }
  for (int32_t v = 0; v <= map.fieldWidth; v += 50) {
    pic.Text(pic.X(v) - 6, pic.Y(0) + 16, std::to_string(v), "font-size=\"11\"");
  }
  for (int32_t v = 50; v <= map.fieldHeight; v += 50) {
    pic.Text(pic.X(0) - 26, pic.Y(v) + 4, std::to_string(v), "font-size=\"11\"");
  }
}

// The keep-out area, the tunnel's ground and its two walls (the bands a step cannot
// enter), and the obstacles.
void DrawWorld(Picture& pic, const MapRecord& map) {
  const ObstacleRect& k = map.keepOut;
  pic.Rect(k.xMin, k.yMin, k.xMax, k.yMax,
           "fill=\"#f6c8a0\" fill-opacity=\"0.7\" stroke=\"#c0701f\" stroke-dasharray=\"4 3\"");
  const ObstacleRect& t = map.tunnel;
  pic.Rect(t.xMin, t.yMin, t.xMax + 1, t.yMax + 1, "fill=\"#c9c9c9\"");
  pic.Rect(t.xMin, t.yMin, t.xMax, t.yMin + 1, "fill=\"#444\"");
  pic.Rect(t.xMin, t.yMax, t.xMax, t.yMax + 1, "fill=\"#444\"");
  for (const ObstacleRect& o : map.obstacles) {
    pic.Rect(o.xMin, o.yMin, o.xMax, o.yMax, "fill=\"#8b5a2b\"");
  }
}

void DrawPages(Picture& pic, const MapRecord& map) {
  for (size_t i = 0; i < map.pages.size(); ++i) {
    const MapPage& page = map.pages[i];
    pic.Circle(page.at, 3 * kScale, "fill=\"none\" stroke=\"#7a4fb0\" stroke-dasharray=\"2 2\"");
    pic.Circle(page.at, 5,
               page.taken ? "fill=\"#7a4fb0\" stroke=\"#7a4fb0\""
                          : "fill=\"#fff\" stroke=\"#7a4fb0\" stroke-width=\"2\"");
    pic.Text(pic.X(page.at.x) + 7, pic.Y(page.at.y) - 7, std::to_string(i + 1),
             "font-size=\"12\" font-weight=\"bold\" fill=\"#7a4fb0\"");
  }
}

void DrawPaths(Picture& pic, const MapRecord& map) {
  pic.Path(map.playerPath, "stroke=\"#1f5fbf\" stroke-width=\"1.5\"");
  pic.Circle(map.start, 5, "fill=\"#1f5fbf\"");
  if (!map.playerPath.empty()) {
    pic.Circle(map.playerPath.back(), 5, "fill=\"#fff\" stroke=\"#1f5fbf\" stroke-width=\"2\"");
  }
  for (const auto& path : map.stalkerPaths) {
    pic.Path(path, "stroke=\"#d02020\" stroke-width=\"1.5\" stroke-dasharray=\"5 2\"");
    if (!path.empty()) pic.Cross(path.front(), 5, "stroke=\"#d02020\" stroke-width=\"2\"");
  }
  for (const MapPoint& v : map.vanishings) {
    pic.Circle(v, 4, "fill=\"none\" stroke=\"#d02020\" stroke-width=\"1.5\"");
  }
  if (map.death) pic.Cross(*map.death, 9, "stroke=\"#000\" stroke-width=\"4\"");
}

void DrawLegend(Picture& pic, const MapRecord& map) {
  double x = 2 * kMargin + map.fieldWidth * kScale, y = kMargin + 10;
  std::string title = "Quelmire";
  if (map.seed) title += ", seed " + std::to_string(*map.seed);
  pic.Text(x, y, title, "font-size=\"15\" font-weight=\"bold\"");
  struct Entry {
    const char* swatch;
    const char* text;
  };
  const Entry entries[] = {
      {"fill=\"#8b5a2b\"", "obstacle (3 x 3)"},
      {"fill=\"#444\"", "tunnel wall"},
      {"fill=\"#c9c9c9\"", "tunnel ground"},
      {"fill=\"#f6c8a0\"", "keep-out area"},
      {"fill=\"#fff\" stroke=\"#7a4fb0\" stroke-width=\"2\"", "page (ring: reach 3)"},
      {"fill=\"#7a4fb0\"", "page taken"},
      {"fill=\"#1f5fbf\"", "player: start, path, end"},
      {"fill=\"#d02020\"", "stalker: x appears, o vanishes"},
      {"fill=\"#000\"", "X death"},
  };
  for (const Entry& e : entries) {
    y += 24;
    pic.Raw("<rect x=\"" + Num(x) + "\" y=\"" + Num(y - 11) + "\" width=\"14\" height=\"14\" " +
            e.swatch + "/>\n");
    pic.Text(x + 22, y, e.text, "font-size=\"12\"");
  }
  y += 40;
  pic.Raw("<rect x=\"" + Num(x) + "\" y=\"" + Num(y) + "\" width=\"" + Num(10 * kScale) +
          "\" height=\"4\" fill=\"#000\"/>\n");
  pic.Text(x + 10 * kScale + 8, y + 6, "10 units", "font-size=\"12\"");
  pic.Text(x, y + 28, "up = +y (heading 0)", "font-size=\"12\"");
}

}  // namespace

std::string MapSvg(const MapRecord& map) {
  Picture pic(map);
  pic.Raw("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Num(pic.Width()) + "\" height=\"" +
          Num(pic.Height()) + "\" font-family=\"sans-serif\">\n");
  pic.Raw("<rect width=\"100%\" height=\"100%\" fill=\"#fff\"/>\n");
  DrawField(pic, map);
  if (map.hasWorld) {
    DrawWorld(pic, map);
    DrawPages(pic, map);
    DrawPaths(pic, map);
  }
  DrawLegend(pic, map);
  pic.Raw("</svg>\n");
  return pic.Out();
}
