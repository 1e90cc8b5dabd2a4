// Makes the shipped examples: the steady convection-diffusion problem
//   -eps u'' + u' = 0 on [0, 1], u(0) = 0, u(1) = 1,
// whose exact solution is u(x) = (exp(x/eps) - 1) / (exp(1/eps) - 1), solved with first-order
// upwind differences for u' (the low-order scheme) and second-order central differences (the
// high-order scheme) on a sequence of refined meshes. Three variables are recorded per mesh:
// u(1/2), u(3/4) and the mean of u over [0, 1] by the trapezoidal rule.
//
// Usage: generate OUTPUT_FOLDER constant|variable
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr double kEps = 0.1;

std::string number(double v) {
  char buf[40];
  auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 16);
  return std::string(buf, r.ptr);
}

double exact(double x) {
  return std::expm1(x / kEps) / std::expm1(1 / kEps);
}

// Nodal values u_0..u_n of the discrete problem on n cells.
std::vector<double> solve(int n, bool central) {
  const double h = 1.0 / n;
  const double d = kEps / (h * h);
  // Row i: a u_{i-1} + b u_i + c u_{i+1} = 0 for i = 1..n-1.
  const double a = central ? -d - 1 / (2 * h) : -d - 1 / h;
  const double b = central ? 2 * d : 2 * d + 1 / h;
  const double c = central ? -d + 1 / (2 * h) : -d;
  std::vector<double> u(n + 1, 0.0), cp(n + 1), dp(n + 1);
  u[n] = 1;
  // Thomas algorithm with the boundary values moved to the right-hand side.
  for (int i = 1; i < n; ++i) {
    double rhs = (i == n - 1) ? -c * u[n] : 0.0;
    double m = b - (i > 1 ? a * cp[i - 1] : 0.0);
    cp[i] = c / m;
    dp[i] = (rhs - (i > 1 ? a * dp[i - 1] : 0.0)) / m;
  }
  for (int i = n - 1; i >= 1; --i) u[i] = dp[i] - (i < n - 1 ? cp[i] * u[i + 1] : 0.0);
  return u;
}

std::vector<double> variables(const std::vector<double>& u) {
  int n = static_cast<int>(u.size()) - 1;
  double mean = 0;
  for (int i = 0; i < n; ++i) mean += (u[i] + u[i + 1]) / (2.0 * n);
  return {u[n / 2], u[3 * n / 4], mean};
}

void write_solution(const std::filesystem::path& file, int n, const std::vector<double>& vars) {
  std::ofstream out(file, std::ios::binary);
  out << number(1.0 / n) << "   tamanho h da malha\n";
  out << "# solucao numerica com " << n << " volumes\n#\n";
  const char* names[] = {"u(1/2)", "u(3/4)", "media de u"};
  for (std::size_t v = 0; v < vars.size(); ++v)
    out << "#\n# " << names[v] << "\n" << number(vars[v]) << "\n";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: generate OUTPUT_FOLDER constant|variable\n");
    return 2;
  }
  std::filesystem::path dir = argv[1];
  bool variable = std::string_view(argv[2]) == "variable";
  std::vector<int> cells =
      variable ? std::vector<int>{8, 12, 20, 32, 52} : std::vector<int>{8, 16, 32, 64, 128};
  std::filesystem::create_directories(dir);

  std::vector<std::string> low, high;
  for (int n : cells) {
    low.push_back("baixa" + std::to_string(n) + ".txt");
    high.push_back("alta" + std::to_string(n) + ".txt");
    write_solution(dir / low.back(), n, variables(solve(n, false)));
    write_solution(dir / high.back(), n, variables(solve(n, true)));
  }

  {
    std::ofstream out(dir / "exatos.txt", std::ios::binary);
    out << "3      numero de variaveis\n";
    // Mean of the exact solution: (eps (e^(1/eps) - 1) - 1) / (e^(1/eps) - 1).
    double mean = (kEps * std::expm1(1 / kEps) - 1) / std::expm1(1 / kEps);
    const char* names[] = {"'u(1/2): meio do dominio'", "'u(3/4): perto da camada limite'",
                           "'media de u no dominio'"};
    double values[] = {exact(0.5), exact(0.75), mean};
    for (int v = 0; v < 3; ++v)
      out << "# variavel " << v + 1 << "\n" << names[v] << "\n" << number(values[v]) << "\n0.0\n";
  }

  std::ofstream out(dir / "dados.r33", std::ios::binary);
  out << "Dados do programa: verificacao da conveccao-difusao 1D\n#\n"
      << "relatorio.txt      arquivo de saida\n#\n"
      << "exatos.txt         arquivo com resultados exatos\n#\n"
      << "3                  numero de variaveis\n"
      << "# selecao de cada variavel (0 = nao analisar)\n"
      << "1 1 1\n"
      << "# ordem assintotica do esquema de ordem baixa\n"
      << "1.0 1.0 1.0\n"
      << "# ordem assintotica do esquema de ordem alta\n"
      << "2.0 2.0 2.0\n"
      << "#\n"
      << cells.size() << "                  numero de malhas\n"
      << "#\n"
      << (variable ? 1 : 0) << "                  iq: =0, q constante; =1, q variavel\n"
      << "100                numero maximo de iteracoes para obter pa\n"
      << "1.0E-12            tolerancia para obter pa\n"
      << "0.1                limite inferior de pa\n"
      << "10.0               limite superior de pa\n"
      << "# arquivos do esquema de ordem baixa, da malha grossa para a fina\n";
  for (const auto& f : low) out << f << "\n";
  out << "# arquivos do esquema de ordem alta\n";
  for (const auto& f : high) out << f << "\n";
  // The title in code page 1252, as an editor on that code page saves it.
  out << "#\n'Convec\xE7\xE3o-difus\xE3o 1D, " << (variable ? "q vari\xE1vel" : "q constante")
      << "'\n";
}
