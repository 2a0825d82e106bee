// Builds a note database of a given size for the benchmarks: 20 notebooks, bodies of 1 to
// 10 KB of paragraph HTML from a fixed vocabulary with a skewed word frequency, 0 to 5 note
// tags per note. The same count always gives the same content.
#pragma once

#include <QString>

// Words the generated bodies hold: one that nearly every note contains twice over, and one
// that only a few notes contain.
inline constexpr const char* kBenchCommonTerm = "case client";
inline constexpr const char* kBenchRareTerm = "zymurgy";
// FTS5 cannot parse this; the search falls back to substring matching.
inline constexpr const char* kBenchFallbackTerm = "client-matter";

// Creates APath (replacing any file there) through the store's own schema and fills it.
void GenerateBenchDatabase(const QString& APath, int ANoteCount);
// Returns a path to a cached database of ANoteCount notes under AFolder, generating it once.
QString CachedBenchDatabase(const QString& AFolder, int ANoteCount);
