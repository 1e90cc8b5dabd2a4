// The report's eleven layouts as compiled format records. Position moves, scale factors and data
// edit items take the long form; format start and end, `/`, literals and group marks the short.
#pragma once

#include "recio/format_record.h"

namespace analysis::formats {

namespace fmt = recio::fmt;

// Report file name, date and time, title.
inline constexpr auto kFileDateTitle =
    fmt::record(fmt::start(), fmt::slash(), fmt::tr(5), fmt::lit<"arquivo de saída = ">(),
                fmt::a(60), fmt::slash(), fmt::slash(), fmt::tr(5), fmt::lit<"Dia = ">(),
                fmt::a(12), fmt::tr(5), fmt::lit<"Hora = ">(), fmt::a(8), fmt::slash(),
                fmt::slash(), fmt::tr(5), fmt::lit<"título = ">(), fmt::a(40), fmt::end());

// The run's parameters and the exact-results file.
inline constexpr auto kParameters = fmt::record(
    fmt::start(), fmt::slash(), fmt::i(6), fmt::lit<" = número de variáveis">(), fmt::slash(),
    fmt::i(6), fmt::lit<" = número de malhas">(), fmt::slash(), fmt::slash(), fmt::i(6),
    fmt::lit<" = iq; =0, q constante; =1, q variável">(), fmt::slash(), fmt::i(6),
    fmt::lit<" = número máximo de iterações para obter pa">(), fmt::slash(), fmt::p(1),
    fmt::e(30, 19), fmt::lit<" = tolerância para obter pa">(), fmt::slash(), fmt::p(1),
    fmt::e(30, 19), fmt::lit<" = limite inferior de pa">(), fmt::slash(), fmt::p(1), fmt::e(30, 19),
    fmt::lit<" = limite superior de pa">(), fmt::slash(), fmt::slash(), fmt::tr(5),
    fmt::lit<"arquivo com resultados exatos = ">(), fmt::a(60), fmt::end());

// The mesh table: its heading, the first mesh, and every further mesh with its ratio.
inline constexpr auto kMeshHeading = fmt::record(
    fmt::start(), fmt::slash(), fmt::t(2), fmt::lit<"h">(), fmt::t(24), fmt::lit<"q21">(),
    fmt::t(42), fmt::lit<"num. baixa">(), fmt::t(57), fmt::lit<"num. alta">(), fmt::end());
inline constexpr auto kFirstMesh =
    fmt::record(fmt::start(), fmt::p(1), fmt::e(22, 15), fmt::tr(16), fmt::tr(3), fmt::a(12),
                fmt::tr(3), fmt::a(12), fmt::end());
inline constexpr auto kOtherMesh =
    fmt::record(fmt::start(), fmt::p(1), fmt::e(22, 15), fmt::p(1), fmt::e(16, 9), fmt::tr(3),
                fmt::a(12), fmt::tr(3), fmt::a(12), fmt::end());

// A variable's heading: name, exact value and the two formal orders.
inline constexpr auto kVariableHeading = fmt::record(
    fmt::start(), fmt::slash(), fmt::slash(),
    fmt::lit<"##############################################">(), fmt::slash(), fmt::slash(),
    fmt::slash(), fmt::tr(5), fmt::a(80), fmt::slash(), fmt::slash(), fmt::tr(5), fmt::p(1),
    fmt::e(30, 19), fmt::lit<" = solução exata">(), fmt::slash(), fmt::tr(5), fmt::p(1),
    fmt::e(30, 19), fmt::lit<" = ordem assintótica do esquema de ordem baixa">(), fmt::slash(),
    fmt::tr(5), fmt::p(1), fmt::e(30, 19),
    fmt::lit<" = ordem assintótica do esquema de ordem alta">(), fmt::end());

// The interval-test table.
inline constexpr auto kIntervalHeading =
    fmt::record(fmt::start(), fmt::slash(), fmt::t(4), fmt::lit<"h">(), fmt::t(15),
                fmt::lit<"Tq">(), fmt::t(38), fmt::lit<"Uq">(), fmt::t(65),
                fmt::lit<"aplica-se?">(), fmt::t(79), fmt::lit<"<Te>">(), fmt::end());
inline constexpr auto kIntervalLine =
    fmt::record(fmt::start(), fmt::p(1), fmt::e(11, 2), fmt::group(2), fmt::p(1), fmt::e(23, 14),
                fmt::group_end(), fmt::tr(7), fmt::a(3), fmt::tr(11), fmt::a(3), fmt::end());

// The two schemes' tables.
inline constexpr auto kLowOrderHeading =
    fmt::record(fmt::start(), fmt::slash(), fmt::t(4), fmt::lit<"Esquema de Ordem Baixa">(),
                fmt::slash(), fmt::t(4), fmt::lit<"h">(), fmt::t(15), fmt::lit<"Th">(), fmt::t(39),
                fmt::lit<"Ti_12">(), fmt::t(63), fmt::lit<"Ti_a">(), fmt::end());
inline constexpr auto kHighOrderHeading =
    fmt::record(fmt::start(), fmt::slash(), fmt::t(4), fmt::lit<"Esquema de Ordem Alta">(),
                fmt::slash(), fmt::t(4), fmt::lit<"h">(), fmt::t(15), fmt::lit<"Th">(), fmt::t(39),
                fmt::lit<"Ti_12">(), fmt::t(63), fmt::lit<"Ti_a">(), fmt::end());
inline constexpr auto kSchemeLine =
    fmt::record(fmt::start(), fmt::p(1), fmt::e(11, 2), fmt::group(3), fmt::p(1), fmt::e(24, 15),
                fmt::group_end(), fmt::end());

}  // namespace analysis::formats
