/* Reads every cell of the first sheet of each .xls workbook with FreeXL and
 * totals what it found: tables_freexl FILE...
 * Built by bench/tables.sh with: cc -O2 tables_freexl.c -lfreexl */
#include <freexl.h>
#include <stdio.h>
#include <string.h>

int main(int argc, char** argv) {
    unsigned long cells = 0, texts = 0, textBytes = 0, dates = 0, empty = 0;
    double total = 0.0;
    for (int i = 1; i < argc; ++i) {
        const void* book = NULL;
        unsigned int rows = 0;
        unsigned short columns = 0;
        if (freexl_open(argv[i], &book) != FREEXL_OK) {
            fprintf(stderr, "%s: not readable\n", argv[i]);
            return 1;
        }
        if (freexl_select_active_worksheet(book, 0) != FREEXL_OK ||
            freexl_worksheet_dimensions(book, &rows, &columns) != FREEXL_OK) {
            fprintf(stderr, "%s: no first sheet\n", argv[i]);
            freexl_close(book);
            return 1;
        }
        for (unsigned int r = 0; r < rows; ++r) {
            for (unsigned short c = 0; c < columns; ++c) {
                FreeXL_CellValue cell;
                if (freexl_get_cell_value(book, r, c, &cell) != FREEXL_OK) {
                    fprintf(stderr, "%s: cell %u,%u not readable\n", argv[i], r, (unsigned)c);
                    freexl_close(book);
                    return 1;
                }
                ++cells;
                switch (cell.type) {
                    case FREEXL_CELL_INT: total += cell.value.int_value; break;
                    case FREEXL_CELL_DOUBLE: total += cell.value.double_value; break;
                    case FREEXL_CELL_TEXT:
                    case FREEXL_CELL_SST_TEXT:
                        ++texts;
                        textBytes += strlen(cell.value.text_value);
                        break;
                    /* FreeXL hands numbers whose format it takes for a date over as text. */
                    case FREEXL_CELL_DATE:
                    case FREEXL_CELL_DATETIME:
                    case FREEXL_CELL_TIME:
                        ++dates;
                        textBytes += strlen(cell.value.text_value);
                        break;
                    default: ++empty; break;
                }
            }
        }
        freexl_close(book);
    }
    printf("cells %lu texts %lu dates %lu text-bytes %lu empty %lu sum %.6f\n", cells, texts, dates, textBytes, empty,
           total);
    return 0;
}
