# Reads the first sheet of each workbook with readxl into typed columns (text,
# date, numbers, guessed from the cells): Rscript tables_readxl.R FILE...
suppressPackageStartupMessages(library(readxl))
cells <- 0
rows <- 0
for (path in commandArgs(trailingOnly = TRUE)) {
    sheet <- read_excel(path, sheet = 1, guess_max = 100000)
    rows <- rows + nrow(sheet)
    cells <- cells + nrow(sheet) * ncol(sheet)
}
cat("rows", rows, "cells", cells, "\n")
