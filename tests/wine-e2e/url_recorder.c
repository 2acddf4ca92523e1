/* Stands in for the browser in the download page tests: registered as the handler of http
   addresses in the test prefix, it appends its first argument and a line feed to the file
   named by WYN_E2E_URL_LOG. */
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv) {
    const char* log = getenv("WYN_E2E_URL_LOG");
    if (log == NULL || argc < 2) {
        return 2;
    }
    FILE* file = fopen(log, "ab");
    if (file == NULL) {
        return 3;
    }
    fprintf(file, "%s\n", argv[1]);
    fclose(file);
    return 0;
}
