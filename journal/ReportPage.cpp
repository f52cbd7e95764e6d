#include "ReportPage.h"

#include "LocalJournal.h"
#include "MachineNumber.h"
#include "SharedRecord.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace zekt {

namespace {

// The results in the order a reader expects them, with their colours.
struct ResultStyle {
    const char* result;
    const char* colour;
};
constexpr std::array<ResultStyle, 4> kResults = {{{kJournalOk, "#3a9a4a"},
                                                  {kJournalFailed, "#d0413b"},
                                                  {kJournalCancelled, "#e8a33d"},
                                                  {kJournalRefused, "#8a8f98"}}};
constexpr const char* kOtherColour = "#b8bcc4";
constexpr std::array<const char*, 8> kBenchColours = {"#2f6db5", "#e07b28", "#3a9a4a", "#8e44ad",
                                                      "#c0392b", "#16a2a2", "#b5a22f", "#6d4c41"};
constexpr const char* kUnitColour = "#2f6db5";
constexpr const char* kStandsOutColour = "#d0413b";

// A chart's frame: the page is as wide as a laptop's screen.
constexpr int kChartWidth = 960;
constexpr int kAxisLabels = 10; // day labels under the bars, at most
constexpr std::size_t kUnitsDrawn = 40;
constexpr std::size_t kRadiosListed = 500;
constexpr std::size_t kShortHash = 16;

// A journal's text on the page: spelled out as the lookups print it (a
// control character or a byte that is no UTF-8 would make the page invalid),
// then escaped for HTML.
std::string Html(const std::string& text) {
    std::string out;
    for (const char c : PrintableText(text)) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string Number(double value, int decimals) {
    std::string text = MachineNumber(value, decimals);
    std::replace(text.begin(), text.end(), '.', ','); // a Russian page
    return text;
}

std::string Count(long long n) {
    return std::to_string(n);
}

std::string Percent(double rate) {
    return Number(rate * 100, 1) + "&nbsp;%";
}

// Inline SVG, built element by element; every text is escaped.
class Svg {
public:
    Svg(int width, int height, const std::string& label)
        : text("<svg xmlns=\"http://www.w3.org/2000/svg\" role=\"img\" width=\"" + Count(width) +
               "\" height=\"" + Count(height) + "\" viewBox=\"0 0 " + Count(width) + " " +
               Count(height) + "\" aria-label=\"" + Html(label) + "\">\n") {}
    void Rect(double x, double y, double w, double h, const char* colour, const std::string& tip) {
        text += "<rect x=\"" + Number2(x) + "\" y=\"" + Number2(y) + "\" width=\"" + Number2(w) +
                "\" height=\"" + Number2(h) + "\" fill=\"" + colour + "\"><title>" + Html(tip) +
                "</title></rect>\n";
    }
    void Label(double x, double y, const char* anchor, const std::string& words) {
        text += "<text x=\"" + Number2(x) + "\" y=\"" + Number2(y) + "\" text-anchor=\"" + anchor +
                "\">" + Html(words) + "</text>\n";
    }
    void Line(double x1, double y1, double x2, double y2, bool dashed) {
        text += "<line x1=\"" + Number2(x1) + "\" y1=\"" + Number2(y1) + "\" x2=\"" + Number2(x2) +
                "\" y2=\"" + Number2(y2) + "\" stroke=\"#555\"" +
                (dashed ? " stroke-dasharray=\"4 3\"" : "") + "/>\n";
    }
    std::string Done() { return text + "</svg>\n"; }

private:
    std::string text;
    static std::string Number2(double v) { return MachineNumber(v, 1); }
};

const char* BenchColour(const WorkshopReport& report, const std::string& bench) {
    const auto at = report.perBench.find(bench);
    const auto index = static_cast<std::size_t>(std::distance(report.perBench.begin(), at));
    return kBenchColours[index % kBenchColours.size()];
}

std::string Legend(const WorkshopReport& report) {
    std::string out = "<p class=\"legend\">";
    for (const auto& [bench, runs] : report.perBench) {
        out += std::string("<span><i style=\"background:") + BenchColour(report, bench) +
               "\"></i>" + Html(bench.empty() ? "(без имени)" : bench) + "</span> ";
    }
    return out + "</p>\n";
}

int Sum(const std::map<std::string, int>& counts) {
    int total = 0;
    for (const auto& [name, runs] : counts) {
        total += runs;
    }
    return total;
}

std::string RunsPerDayChart(const WorkshopReport& report) {
    constexpr int kHeight = 260, kLeft = 48, kRight = 12, kTop = 12, kBottom = 40;
    Svg svg(kChartWidth, kHeight, "Работы по дням и рабочим местам");
    int most = 1;
    for (const auto& [day, benches] : report.perDay) {
        most = std::max(most, Sum(benches));
    }
    const double plotWidth = kChartWidth - kLeft - kRight;
    const double plotHeight = kHeight - kTop - kBottom;
    const double step =
        plotWidth / static_cast<double>(std::max<std::size_t>(1, report.perDay.size()));
    constexpr double kWidestBar = 40; // a few days still look like days
    const double bar = std::clamp(step * 0.8, 1.0, kWidestBar);
    const double bottom = kTop + plotHeight;
    svg.Line(kLeft, bottom, kChartWidth - kRight, bottom, false);
    for (const int tick : {most / 2, most}) {
        const double y = bottom - plotHeight * tick / most;
        svg.Line(kLeft - 4, y, kChartWidth - kRight, y, true);
        svg.Label(kLeft - 6, y + 4, "end", Count(tick));
    }
    const std::size_t labelEvery =
        std::max<std::size_t>(1, (report.perDay.size() + kAxisLabels - 1) / kAxisLabels);
    std::size_t index = 0;
    for (const auto& [day, benches] : report.perDay) {
        const double x = kLeft + step * static_cast<double>(index);
        double top = bottom;
        for (const auto& [bench, runs] : benches) {
            const double h = plotHeight * runs / most;
            top -= h;
            svg.Rect(x, top, bar, h, BenchColour(report, bench),
                     day + ", " + bench + ": " + Count(runs));
        }
        if (index % labelEvery == 0) {
            svg.Label(x + bar / 2, bottom + 16, "middle", day.substr(5));
        }
        ++index;
    }
    return svg.Done();
}

std::string RunsPerDayTable(const WorkshopReport& report) {
    std::string out = "<details><summary>Таблица по дням</summary>\n<table><tr><th>День</th>";
    for (const auto& [bench, runs] : report.perBench) {
        out += "<th>" + Html(bench) + "</th>";
    }
    out += "<th>Всего</th></tr>\n";
    for (const auto& [day, benches] : report.perDay) {
        out += "<tr><td>" + Html(day) + "</td>";
        for (const auto& [bench, all] : report.perBench) {
            const auto found = benches.find(bench);
            out += "<td>" + Count(found == benches.end() ? 0 : found->second) + "</td>";
        }
        out += "<td>" + Count(Sum(benches)) + "</td></tr>\n";
    }
    out += "<tr class=\"total\"><td>Всего</td>";
    for (const auto& [bench, runs] : report.perBench) {
        out += "<td>" + Count(runs) + "</td>";
    }
    return out + "<td>" + Count(static_cast<long long>(report.runs)) +
           "</td></tr>\n</table></details>\n";
}

int Others(const std::map<std::string, int>& results) {
    int others = 0;
    for (const auto& counted : results) {
        const bool known =
            std::any_of(kResults.begin(), kResults.end(),
                        [&counted](const ResultStyle& r) { return counted.first == r.result; });
        others += known ? 0 : counted.second;
    }
    return others;
}

int Of(const std::map<std::string, int>& results, const std::string& result) {
    const auto found = results.find(result);
    return found == results.end() ? 0 : found->second;
}

std::string ResultsChart(const WorkshopReport& report) {
    constexpr int kRow = 28, kLeft = 170, kRight = 60;
    const int height = static_cast<int>(report.results.size()) * kRow + 8;
    Svg svg(kChartWidth, height, "Итоги по командам");
    int most = 1;
    for (const auto& [command, results] : report.results) {
        most = std::max(most, Sum(results));
    }
    const double width = kChartWidth - kLeft - kRight;
    int row = 0;
    for (const auto& [command, results] : report.results) {
        const double y = 4 + row * kRow;
        svg.Label(kLeft - 8, y + 17, "end", JournalCommandText(command));
        double x = kLeft;
        for (const ResultStyle& style : kResults) {
            const double w = width * Of(results, style.result) / most;
            svg.Rect(x, y, w, kRow - 6, style.colour,
                     JournalCommandText(command) + ", " + JournalResultText(style.result) + ": " +
                         Count(Of(results, style.result)));
            x += w;
        }
        const double w = width * Others(results) / most;
        svg.Rect(x, y, w, kRow - 6, kOtherColour, "другие итоги: " + Count(Others(results)));
        svg.Label(x + w + 6, y + 17, "start", Count(Sum(results)));
        ++row;
    }
    return svg.Done();
}

std::string ResultsTable(const WorkshopReport& report) {
    std::string out = "<p class=\"legend\">";
    for (const ResultStyle& style : kResults) {
        out += std::string("<span><i style=\"background:") + style.colour + "\"></i>" +
               Html(JournalResultText(style.result)) + "</span> ";
    }
    out += "</p>\n<table><tr><th>Команда</th>";
    for (const ResultStyle& style : kResults) {
        out += "<th>" + Html(JournalResultText(style.result)) + "</th>";
    }
    out += "<th>другие</th><th>Всего</th></tr>\n";
    for (const auto& [command, results] : report.results) {
        out += "<tr><td>" + Html(JournalCommandText(command)) + "</td>";
        for (const ResultStyle& style : kResults) {
            out += "<td>" + Count(Of(results, style.result)) + "</td>";
        }
        out += "<td>" + Count(Others(results)) + "</td><td>" + Count(Sum(results)) + "</td></tr>\n";
    }
    return out + "</table>\n";
}

using UnitRow = std::pair<std::string, WorkshopReport::UnitTally>;

std::vector<UnitRow> UnitsByRate(const WorkshopReport& report) {
    std::vector<UnitRow> rows(report.units.begin(), report.units.end());
    std::stable_sort(rows.begin(), rows.end(), [](const UnitRow& a, const UnitRow& b) {
        return a.second.Rate() > b.second.Rate();
    });
    return rows;
}

std::string UnitsChart(const WorkshopReport& report, const std::vector<UnitRow>& rows) {
    constexpr int kRow = 22, kLeft = 170, kRight = 90, kTop = 20;
    const std::size_t drawn = std::min(rows.size(), kUnitsDrawn);
    const int height = kTop + static_cast<int>(drawn) * kRow + 8;
    Svg svg(kChartWidth, height, "Доля работ с ошибкой по программаторам");
    const double median = report.MedianFailureRate();
    double most = std::max(0.01, 2 * median);
    for (std::size_t k = 0; k < drawn; ++k) {
        most = std::max(most, rows[k].second.Rate());
    }
    const double width = kChartWidth - kLeft - kRight;
    for (std::size_t k = 0; k < drawn; ++k) {
        const auto& [serial, unit] = rows[k];
        const double y = kTop + static_cast<double>(k) * kRow;
        const bool out = report.UnitStandsOut(unit);
        svg.Label(kLeft - 8, y + 15, "end", serial);
        const double w = width * unit.Rate() / most;
        svg.Rect(kLeft, y + 2, w, kRow - 6, out ? kStandsOutColour : kUnitColour,
                 serial + ": " + Count(unit.failed) + " из " + Count(unit.runs));
        svg.Label(kLeft + w + 6, y + 15, "start", Number(unit.Rate() * 100, 1) + " %");
    }
    if (median > 0) {
        constexpr std::pair<double, const char*> kMarks[] = {{1.0, "медиана"},
                                                             {2.0, "2 × медиана"}};
        for (const auto& [factor, name] : kMarks) {
            const double x = kLeft + width * factor * median / most;
            svg.Line(x, kTop - 4, x, height - 4, true);
            svg.Label(x, kTop - 8, "middle", name);
        }
    }
    return svg.Done();
}

std::string UnitsTable(const WorkshopReport& report, const std::vector<UnitRow>& rows) {
    std::string out = "<table><tr><th>Программатор</th><th>Работ</th><th>С ошибкой</th>"
                      "<th>Доля</th><th></th></tr>\n";
    for (const auto& [serial, unit] : rows) {
        const bool standsOut = report.UnitStandsOut(unit);
        const char* note = standsOut ? "ошибок вдвое чаще медианы и больше: проверьте"
                           : unit.runs < WorkshopReport::kUnitRunsToJudge ? "мало работ для оценки"
                                                                          : "";
        out += std::string("<tr") + (standsOut ? " class=\"out\"" : "") + "><td>" + Html(serial) +
               "</td><td>" + Count(unit.runs) + "</td><td>" + Count(unit.failed) + "</td><td>" +
               Percent(unit.Rate()) + "</td><td>" + note + "</td></tr>\n";
    }
    return out + "</table>\n<p>Медиана доли ошибок у программаторов с " +
           Count(WorkshopReport::kUnitRunsToJudge) +
           " работами и больше: " + Percent(report.MedianFailureRate()) + ".</p>\n";
}

std::string ReprogrammedTable(const WorkshopReport& report) {
    const auto twice = report.Reprogrammed();
    std::string out = "<p>Радиостанций с номером, запрограммированных больше одного раза: " +
                      Count(static_cast<long long>(twice.size())) + ".</p>\n";
    if (twice.empty()) {
        return out;
    }
    out += "<table><tr><th>Радиостанция</th><th>Раз</th><th>Первый день</th>"
           "<th>Последний день</th></tr>\n";
    for (std::size_t k = 0; k < twice.size() && k < kRadiosListed; ++k) {
        const auto& [number, radio] = twice[k];
        out += "<tr><td>" + Html(number) + "</td><td>" + Count(radio.programmed) + "</td><td>" +
               Html(radio.first) + "</td><td>" + Html(radio.last) + "</td></tr>\n";
    }
    out += "</table>\n";
    if (twice.size() > kRadiosListed) {
        out += "<p>Показаны первые " + Count(kRadiosListed) + "; все: zekt-cli journal radio " +
               "НОМЕР или journal --csv.</p>\n";
    }
    return out;
}

std::string ConfigsTable(const WorkshopReport& report) {
    std::vector<std::pair<std::string, WorkshopReport::ConfigTally>> rows(report.configs.begin(),
                                                                          report.configs.end());
    std::stable_sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) {
        return a.second.radios > b.second.radios;
    });
    std::string out = "<table><tr><th>Конфигурация (по содержимому)</th><th>Файл</th>"
                      "<th>Радиостанций</th></tr>\n";
    for (const auto& [hash, config] : rows) {
        out += "<tr><td><code title=\"" + Html(hash) + "\">" + Html(hash.substr(0, kShortHash)) +
               "</code></td><td>" + Html(config.fileName) + "</td><td>" + Count(config.radios) +
               "</td></tr>\n";
    }
    return out + "</table>\n";
}

constexpr const char* kStyle =
    "body{font-family:'DejaVu Sans',Arial,sans-serif;margin:24px;color:#222;max-width:1000px}"
    "h1{font-size:22px}h2{font-size:18px;margin-top:28px}"
    "table{border-collapse:collapse;margin:8px 0}td,th{border:1px solid #ccc;padding:3px 8px;"
    "text-align:right}td:first-child,th:first-child{text-align:left}th{background:#f0f0f0}"
    "tr.out td{background:#fde3e1}tr.total td{font-weight:bold}"
    "svg text{font-size:12px;fill:#333}.legend span{margin-right:14px}"
    ".legend i{display:inline-block;width:12px;height:12px;margin-right:4px;"
    "vertical-align:-1px}summary{cursor:pointer;color:#2f6db5}";

std::string Heading(const WorkshopReport& report, const ReportScope& scope) {
    const std::string period =
        (scope.since.empty() ? std::string("с первой записи") : "с " + scope.since) + " " +
        (scope.until.empty() ? std::string("по последнюю") : "по " + scope.until);
    const std::size_t numbered = report.radios.size();
    return "<h1>Отчёт о работах мастерской</h1>\n<p>Журнал: " + Html(scope.journal) +
           "<br>Период: " + Html(period) +
           "<br>Рабочее место: " + Html(scope.bench.empty() ? "все" : scope.bench) +
           "<br>Составлен: " + Html(scope.made) + "</p>\n<p>Работ: <b>" +
           Count(static_cast<long long>(report.runs)) +
           "</b>; рабочих мест: " + Count(static_cast<long long>(report.perBench.size())) +
           "; программаторов: " + Count(static_cast<long long>(report.units.size())) +
           "; запрограммировано радиостанций с номером: " +
           Count(static_cast<long long>(numbered)) +
           "; конфигураций: " + Count(static_cast<long long>(report.configs.size())) + ".</p>\n";
}

} // namespace

std::string ReportPage(const WorkshopReport& report, const ReportScope& scope) {
    const std::vector<UnitRow> units = UnitsByRate(report);
    std::string page = std::string("<!DOCTYPE html>\n<html lang=\"ru\">\n<head>\n"
                                   "<meta charset=\"utf-8\">\n"
                                   // Nothing is fetched, nothing runs: a page to keep.
                                   "<meta http-equiv=\"Content-Security-Policy\" "
                                   "content=\"default-src 'none'; style-src 'unsafe-inline'\">\n"
                                   "<title>Отчёт о работах</title>\n"
                                   "<style>") +
                       kStyle + "</style>\n</head>\n<body>\n" + Heading(report, scope);
    if (report.runs == 0) {
        return page + "<p>За этот период в журнале нет работ.</p>\n</body>\n</html>\n";
    }
    page += "<h2>Работы по дням и рабочим местам</h2>\n" + RunsPerDayChart(report) +
            Legend(report) + RunsPerDayTable(report);
    page += "<h2>Итоги по командам</h2>\n" + ResultsChart(report) + ResultsTable(report);
    page += "<h2>Ошибки по программаторам</h2>\n" + UnitsChart(report, units) +
            UnitsTable(report, units);
    page += "<h2>Радиостанции, запрограммированные больше одного раза</h2>\n" +
            ReprogrammedTable(report);
    page += "<h2>Конфигурации</h2>\n<p>Радиостанции, успешно запрограммированные каждой "
            "конфигурацией (запись частот тоже).</p>\n" +
            ConfigsTable(report);
    return page + "</body>\n</html>\n";
}

} // namespace zekt
