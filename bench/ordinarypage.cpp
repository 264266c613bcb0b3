// The page of an ordinary calculator, ten variables, written to a file and
// read back from it a thousand times, as the window does: prints the time of
// each per page. ordinarypage FILE
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "builder/page.h"
#include "builder/pagereader.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: ordinarypage FILE\n");
        return 2;
    }
    const char name[] = "Loan repayment";
    std::string variables;
    for (int i = 1; i <= 10; ++i)
        variables += "&Amount " + std::to_string(i) + "/in dollars/" + std::to_string(i * 100) + "\r\n";
    variables += "?&Repay";
    const char function[]
        = "var total = 0;\r\nfor (var i = 1; i <= 10; i++) total += +window['Amount' + i]#;\r\n"
          "alert('Total: ' + total);";
    const int pages = 1000;
    double writing = 0, reading = 0;
    for (int i = 0; i < pages; ++i) {
        auto start = std::chrono::steady_clock::now();
        FILE* out = fopen(argv[1], "wb");
        bool written = out != nullptr && WriteCalculatorPage(out, name, &variables[0], function);
        if (out == nullptr || fclose(out) != 0 || !written) {
            fprintf(stderr, "ordinarypage: cannot write %s\n", argv[1]);
            return 1;
        }
        auto between = std::chrono::steady_clock::now();
        FILE* in = fopen(argv[1], "rb");
        PageTexts texts = {nullptr, nullptr, nullptr};
        PageReadResult result = in != nullptr ? ReadCalculatorPageFile(in, &texts) : pageReadFailed;
        if (in != nullptr)
            fclose(in);
        auto end = std::chrono::steady_clock::now();
        if (result != pageReadOk || variables != texts.variables) {
            fprintf(stderr, "ordinarypage: %s did not read back\n", argv[1]);
            return 1;
        }
        FreePageTexts(&texts);
        writing += std::chrono::duration<double>(between - start).count();
        reading += std::chrono::duration<double>(end - between).count();
    }
    printf("%.1f %.1f\n", writing / pages * 1e6, reading / pages * 1e6);
    return 0;
}
