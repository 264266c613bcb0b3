// A seeded random walk through the real main dialog: each step is a row of a
// table of actions, and after it the window, the pages, conf and kept must be
// what a small model of the program says. A failing walk is shrunk to a list
// that can be run again with TALLISK_MODEL_REPLAY=name:seed,...
#include <gtest/gtest.h>

#include <windows.h>
#include <dlgs.h>
#include <shlobj.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "builder/filecommands.h"
#include "builder/page.h"
#include "files/kept.h"
#include "files/settingsformat.h"
#include "tests/window/harness.h"
#include "ui/maindialog.h"
#include "ui/resource.h"
#include "ui/winmain.h"

namespace {

// In kept's order: name, function, variables.
const int editorIds[keptTextCount] = {IDC_NAME, IDC_FUNCTION, IDC_VARIABLES};
typedef std::vector<std::string> Texts;
const Texts emptyTexts(keptTextCount);
const char* const poolNames[] = {"a.htm", "b.htm", "c.htm", "d.htm"};
const int poolSize = 4;

struct Rng {
    uint64_t state;
    uint64_t Next()  // splitmix64
    {
        uint64_t z = (state += 0x9e3779b97f4a7c15ull);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
        return z ^ (z >> 31);
    }
    int Below(int n) { return static_cast<int>(Next() % static_cast<uint64_t>(n)); }
    bool Chance(int percent) { return Below(100) < percent; }
};

// What a pool file must hold: nothing, the page of `texts`, or these bytes.
struct FileModel {
    bool present = false;
    bool page = false;
    Texts texts;
    std::string bytes;
};

struct Model {
    Texts texts = emptyTexts;
    bool inPage = false;
    bool untitled = true;
    std::string folder, name;
    FileModel files[poolSize];
    // What kept may hold: the last write the model knows of and every later
    // state of the editors, since the delay's timer may have written any.
    std::vector<std::optional<Texts>> kept {std::nullopt};
    bool confWritten = false;
    std::map<std::string, int> launched;
};

// A window the step expects to come up, and how it is answered: a pool file
// for a file dialog, else IDYES, IDNO or IDCANCEL.
struct Expected {
    std::string caption, text;  // text "" takes any
    int file;
    int button;
};

std::string workFolder;  // DOS path of the pool's folder, with its separator
std::string openLog;
Model model;
std::vector<Expected> expected;
size_t answered;
std::string answerFault;

std::string PoolPath(int file) { return workFolder + poolNames[file]; }

bool AnswerExpected(HWND window)
{
    HWND owner = GetWindow(window, GW_OWNER);
    // The open dialog's own "not found" box: it and the dialog are cancelled.
    if (owner != mainWindow && owner != NULL) {
        PostMessageA(window, WM_COMMAND, IDOK, 0);
        PostMessageA(owner, WM_COMMAND, IDCANCEL, 0);
        return true;
    }
    const Shown& came = shown.back();
    if (answered >= expected.size()) {
        answerFault = "unexpected window \"" + came.caption + "\" " + came.text;
        return false;
    }
    const Expected& want = expected[answered++];
    if (came.caption != want.caption || (!want.text.empty() && came.text != want.text)) {
        answerFault = "window \"" + came.caption + "\" " + came.text + " came instead of \"" + want.caption
            + "\" " + want.text;
        return false;
    }
    if (want.file >= 0) {
        SetDlgItemTextA(window, cmb13, PoolPath(want.file).c_str());
        SetDlgItemTextA(window, edt1, PoolPath(want.file).c_str());
        PostMessageA(window, WM_COMMAND, IDOK, 0);
    } else {
        PostMessageA(window, WM_COMMAND, want.button, 0);
    }
    return true;
}

// ---- The model of the file commands: it says which windows come up, picks
// their answers, and changes what it expects.

const char saveTitle[] = "Specify a calculator file name to save as and to lauch";
const char launchTitle[] = "Select a calculator to lauch";
const char editTitle[] = "Select a calculator to edit";

bool AllEmpty(const Texts& texts) { return texts == emptyTexts; }
bool ReadsBack(int file) { return model.files[file].present && model.files[file].page; }

int Ask(Rng& rng, UINT textId)
{
    static const int buttons[] = {IDYES, IDNO, IDCANCEL};
    int button = buttons[rng.Below(3)];
    expected.push_back({ProgramString(IDS_QUESTION_TITLE), ProgramString(textId), -1, button});
    return button;
}

// A file dialog answered with a pool file, or -1 when cancelled.
int AskFile(Rng& rng, const char* title)
{
    int file = rng.Chance(15) ? -1 : rng.Below(poolSize);
    expected.push_back({title, "", file, IDCANCEL});
    return file;
}

void ShowError(UINT textId) { expected.push_back({ProgramString(IDS_ERROR_TITLE), textId ? ProgramString(textId) : "", -1, IDCANCEL}); }

void SetTexts(const Texts& texts)  // a command gave the editors new texts: kept at once
{
    model.texts = texts;
    model.kept = {texts};
}

void MakeCurrent(int file)
{
    if (model.untitled || model.folder != workFolder || model.name != poolNames[file])
        model.confWritten = true;
    model.untitled = false;
    model.folder = workFolder;
    model.name = poolNames[file];
}

int CurrentFile()
{
    for (int file = 0; file < poolSize; ++file)
        if (!model.untitled && model.folder == workFolder && model.name == poolNames[file])
            return file;
    return -1;
}

// The shell opens what is there; a missing file is not opened, and the
// program says nothing of it.
void Launched(int file)
{
    if (model.files[file].present)
        ++model.launched[PoolPath(file)];
}

// Create Launch without its launch; the file written, or -1.
int WriteCalculator(Rng& rng, bool forceDialog)
{
    bool asked = model.untitled || forceDialog;
    int file = asked ? AskFile(rng, saveTitle) : CurrentFile();
    if (file < 0)
        return -1;
    MakeCurrent(file);
    FileModel& target = model.files[file];
    bool hasBytes = target.present && (target.page || !target.bytes.empty());
    if (!asked && hasBytes && !target.page && Ask(rng, IDS_ASK_REPLACE_PAGE) != IDYES)
        return -1;
    target = {true, true, model.texts, ""};
    model.inPage = true;
    return file;
}

bool KeepUnwrittenTexts(Rng& rng)
{
    if (model.inPage || AllEmpty(model.texts))
        return true;
    switch (Ask(rng, IDS_ASK_WRITE_TEXTS)) {
    case IDYES:
        return WriteCalculator(rng, false) >= 0;
    case IDNO:
        return true;
    }
    return false;
}

bool LoadPage(Rng& rng, int file)
{
    if (!KeepUnwrittenTexts(rng))
        return false;
    MakeCurrent(file);
    SetTexts(model.files[file].texts);  // read again if the answer just wrote it
    model.inPage = true;
    return true;
}

void OpenAt(Rng& rng, int file)
{
    if (ReadsBack(file))
        LoadPage(rng, file);
    else
        ShowError(model.files[file].present ? 0 : IDS_PAGE_NOT_READ);
}

// A missing file taken in the open dialog: its box comes, both are cancelled.
bool MissingInDialog(int file)
{
    if (file < 0 || model.files[file].present)
        return false;
    expected.back().file = file;
    return true;
}

void ModelLaunch(Rng& rng, bool forceDialog)
{
    int current = CurrentFile();
    if (!model.untitled && !forceDialog) {
        Launched(current);
        return;
    }
    int file = AskFile(rng, launchTitle);
    if (file < 0 || MissingInDialog(file))
        return;
    if (ReadsBack(file) ? LoadPage(rng, file) : (MakeCurrent(file), true))
        Launched(file);
}

// ---- The real window.

HWND dialog;

void Command(int id, WORD code = 0)
{
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, code), 0);
    PumpMessages();
}

std::string Editor(int id)
{
    char* text = ReadEditText(id);
    std::string held = text ? text : "<no memory>";
    free(text);
    return held;
}

std::string RandomText(Rng& rng)
{
    static const char* const pieces[] = {"&", "/", "\r\n?", "\r\n", "\r", "\n", "#", " = ", "(", ")", "<", "\"",
        "</script>", "&amp;", "\t", "?", "//"};
    std::string text;
    for (int count = 1 + rng.Below(8); count > 0; --count) {
        switch (rng.Below(5)) {
        case 0:
            text += pieces[rng.Below(sizeof pieces / sizeof *pieces)];
            break;
        case 1:
            // Accented letters: some other high bytes in a sequence crash
            // Wine's own shaping in the single-line editor.
            text += static_cast<char>(0xc0 + rng.Below(64));
            break;
        case 2:
            if (rng.Chance(20)) {
                text += std::string(100 + rng.Below(3000), static_cast<char>('a' + rng.Below(26)));
                break;
            }
            [[fallthrough]];  // a word
        default:
            for (int letters = 1 + rng.Below(8); letters > 0; --letters)
                text += static_cast<char>('a' + rng.Below(26));
        }
    }
    return text;
}

// Typed as a person would: a selection replaced, the editor emptied now and
// then. The editor's own text afterwards is what the model holds.
void Type(Rng& rng)
{
    int which = rng.Below(keptTextCount);
    HWND editor = GetDlgItem(dialog, editorIds[which]);
    std::string before = Editor(editorIds[which]);
    bool clear = rng.Chance(10);
    int length = GetWindowTextLengthA(editor);
    int from = clear ? 0 : rng.Below(length + 1);
    int to = clear ? length : from + rng.Below(length - from + 1);
    std::string text = clear ? "" : RandomText(rng);
    SendMessageA(editor, EM_SETSEL, from, to);
    SendMessageA(editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
    if (Editor(editorIds[which]) == before)
        SendMessageA(editor, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("x"));
    PumpMessages();
    model.texts[which] = Editor(editorIds[which]);
    model.inPage = false;
    model.kept.push_back(model.texts);
}

void Drop(const std::vector<std::string>& paths)
{
    std::string names;
    for (const std::string& path : paths)
        names += path + '\0';
    names += '\0';
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + names.size());
    DROPFILES* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    memcpy(drop + 1, names.data(), names.size());
    GlobalUnlock(memory);
    SendMessageA(dialog, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
    PumpMessages();
}

std::optional<Texts> KeptFile()
{
    KeptTexts read;
    if (LoadKeptTexts(&read) != keptLoaded)
        return std::nullopt;
    Texts texts;
    for (int i = 0; i < keptTextCount; ++i)
        texts.push_back(std::string(read.text[i], read.length[i]));
    FreeKeptTexts(&read);
    return texts;
}

// A new run, after the old one closed or was ended. What it starts with is
// conf's file, if conf is there, and kept's texts: both were checked.
void Restart(Rng& rng, bool close)
{
    if (close) {
        CloseMainWindow(dialog);
        model.kept = {model.texts};
        if (AllEmpty(model.texts))
            model.kept.push_back(std::nullopt);  // nothing changed since a start without kept
    } else {
        DestroyMainWindow(dialog);
    }
    if (ReadWholeFile(ProgramFile("conf")) == "<missing>") {
        model.untitled = true;
        model.folder = model.name = "";
    }
    std::optional<Texts> kept = KeptFile();
    model.texts = kept ? *kept : emptyTexts;
    model.kept = {kept};
    int current = CurrentFile();
    model.inPage = current >= 0 && ReadsBack(current) && model.files[current].texts == model.texts;
    std::string tail;
    if (rng.Chance(50)) {
        int file = rng.Below(poolSize);
        tail = "\"" + PoolPath(file) + "\"";
        OpenAt(rng, file);
    }
    dialog = RestartMainWindow(tail.c_str());
}

// Changes made outside the program: another's page, a page changed since,
// a file that is no page or is empty, a file removed.
void ChangeOutside(Rng& rng)
{
    int file = rng.Below(poolSize);
    FileModel& f = model.files[file];
    std::string path = PoolPath(file);
    switch (rng.Below(4)) {
    case 0: {
        Texts texts {RandomText(rng), RandomText(rng), RandomText(rng)};
        FILE* out = fopen(path.c_str(), "wb");
        ASSERT_NE(out, nullptr);
        std::string variables = texts[2];
        ASSERT_TRUE(WriteCalculatorPage(out, texts[0].c_str(), &variables[0], texts[1].c_str()));
        fclose(out);
        f = {true, true, texts, ""};
        return;
    }
    case 1:
        if (f.present) {
            std::string bytes = ReadWholeFile(path);
            if (!bytes.empty())
                bytes[rng.Below(static_cast<int>(bytes.size()))] ^= 1 << rng.Below(8);
            f = {true, false, {}, bytes};
            break;
        }
        [[fallthrough]];  // nothing there to change
    case 2:
        f = {true, false, {}, rng.Chance(30) ? "" : "<html><body>not a calculator " + RandomText(rng) + "</body></html>"};
        break;
    default:
        RemovePath(path);
        f = {};
        return;
    }
    ASSERT_TRUE(WriteWholeFile(path, f.bytes));
}

// ---- The table. A row's weight counts only while its precondition holds.

struct Action {
    const char* name;
    int weight;
    bool (*may)();
    void (*run)(Rng&);
};

bool Always() { return true; }

const Action actions[] = {
    {"type", 40, Always, Type},
    {"create", 5, Always,
        [](Rng& rng) {
            int file = WriteCalculator(rng, false);
            if (file >= 0)
                Launched(file);
            Command(IDM_CREATE_LAUNCH, BN_CLICKED);
        }},
    {"createas", 1, Always,
        [](Rng& rng) {
            int file = WriteCalculator(rng, true);
            if (file >= 0)
                Launched(file);
            Command(IDM_CREATE_LAUNCH_AS);
        }},
    {"launch", 3, Always,
        [](Rng& rng) {
            ModelLaunch(rng, false);
            Command(IDM_LAUNCH, BN_CLICKED);
        }},
    {"selectlaunch", 1, Always,
        [](Rng& rng) {
            ModelLaunch(rng, true);
            Command(IDM_SELECT_LAUNCH);
        }},
    {"open", 3, Always,
        [](Rng& rng) {
            int file = AskFile(rng, editTitle);
            if (file >= 0 && !MissingInDialog(file))
                OpenAt(rng, file);
            Command(IDM_OPEN);
        }},
    {"new", 5, Always,
        [](Rng& rng) {
            if (KeepUnwrittenTexts(rng)) {
                if (!model.untitled)
                    model.confWritten = true;
                model.untitled = true;
                SetTexts(emptyTexts);
                model.inPage = true;
            }
            Command(IDM_NEW);
        }},
    {"drop", 10, Always,
        [](Rng& rng) {
            std::vector<std::string> paths;
            int first = rng.Below(poolSize);
            for (int count = rng.Below(4); count > 0; --count)
                paths.push_back(PoolPath(paths.empty() ? first : rng.Below(poolSize)));
            if (paths.empty())
                ShowError(IDS_PAGE_NOT_READ);  // no file to take
            else
                OpenAt(rng, first);
            Drop(paths);
        }},
    {"outside", 12, Always, ChangeOutside},
    {"kill", 2, Always, [](Rng& rng) { Restart(rng, false); }},
    {"close", 2, Always, [](Rng& rng) { Restart(rng, true); }},
};
const int actionCount = sizeof actions / sizeof *actions;

// ---- The checks, after every step. The first difference, or "".

std::string Shorten(const std::string& text)
{
    std::string shown = text.size() > 80 ? text.substr(0, 80) + "..." : text;
    std::string escaped;
    for (unsigned char c : shown)
        escaped += c >= 32 && c < 127 ? std::string(1, c) : "\\x" + std::to_string(c);
    return "\"" + escaped + "\"";
}

std::string CheckModel()
{
    if (!answerFault.empty())
        return "windows: " + answerFault;
    if (answered != expected.size())
        return "windows: \"" + expected[answered].caption + "\" " + expected[answered].text + " never came";
    for (int i = 0; i < keptTextCount; ++i)
        if (Editor(editorIds[i]) != model.texts[i])
            return "editor " + std::to_string(i) + ": " + Shorten(Editor(editorIds[i])) + " not "
                + Shorten(model.texts[i]);
    std::string caption = std::string(programTitle) + " - " + (model.untitled ? "New" : model.folder + model.name);
    if (WindowText(dialog) != caption)
        return "caption: " + Shorten(WindowText(dialog)) + " not " + Shorten(caption);
    if (!isUntitled != !model.untitled || model.folder != currentFolder || model.name != currentFileName)
        return "current file: " + std::string(currentFolder) + currentFileName + (isUntitled ? " untitled" : "");
    if (document.textsInPage != model.inPage)
        return "textsInPage: " + std::to_string(document.textsInPage) + " not " + std::to_string(model.inPage);
    for (int file = 0; file < poolSize; ++file) {
        const FileModel& f = model.files[file];
        std::string bytes = ReadWholeFile(PoolPath(file));
        std::string variables = f.texts.empty() ? "" : f.texts[2];
        bool same = !f.present ? bytes == "<missing>"
            : f.page ? CalculatorPageMatches(bytes.data(), bytes.size(), f.texts[0].c_str(), &variables[0], f.texts[1].c_str())
                     : bytes == f.bytes;
        if (!same)
            return std::string("page ") + poolNames[file] + ": " + Shorten(bytes);
    }
    FILE* conf = fopen(ProgramFile("conf").c_str(), "rb");
    if (conf == NULL && model.confWritten)
        return "conf: missing";
    if (conf != NULL) {
        char name[settingsTextSize] = "", folder[settingsTextSize] = "";
        int untitled = 0;
        SettingsField field = ReadSettingsHead(conf, name, folder, &untitled);
        fclose(conf);
        if (field != settingsOk || !untitled != !model.untitled || model.name != name || model.folder != folder)
            return "conf: " + std::string(folder) + name + (untitled ? " untitled" : "");
    }
    std::optional<Texts> kept = KeptFile();
    for (size_t i = 0; i < model.kept.size(); ++i)
        if (model.kept[i] == kept) {
            model.kept.erase(model.kept.begin(), model.kept.begin() + i);
            return "";
        }
    return "kept: " + (kept ? Shorten((*kept)[0]) + " " + Shorten((*kept)[1]) + " " + Shorten((*kept)[2]) : "none");
}

// The shell opens asynchronously: the record must come to hold each launch.
std::string CheckLaunches()
{
    for (auto& [path, count] : model.launched)
        if (!WaitForOpened(path, count))
            return "launches: " + path + " fewer than " + std::to_string(count);
    std::string log = ReadWholeFile(openLog);
    size_t lines = 0, launches = 0;
    for (char c : log)
        lines += c == '\n';
    for (auto& entry : model.launched)
        launches += entry.second;
    return lines == launches ? "" : "launches: " + std::to_string(lines) + " not " + std::to_string(launches);
}

struct Step {
    int action;
    uint64_t seed;
};

struct Failure {
    size_t steps;  // steps run, the failing one included
    std::string check;
};

void CleanFiles()
{
    for (int file = 0; file < poolSize; ++file)
        RemovePath(PoolPath(file));
    for (const char* name : {"conf", "kept", "kept.damaged"})
        RemovePath(ProgramFile(name));
    RemovePath(openLog);
}

void FreshStart()
{
    DestroyMainWindow(dialog);
    SetCurrentDirectoryA(ProgramFile("").c_str());  // the file dialogs move it
    CleanFiles();
    model = Model {};
    dialog = CreateMainWindow();
    answerShown = AnswerExpected;
}

double actionTime[32];
int actionRuns[32];

std::string RunStep(const Step& step)
{
    shown.clear();
    expected.clear();
    answered = 0;
    answerFault.clear();
    Rng rng {step.seed};
    if (getenv("TALLISK_MODEL_TRACE"))
        printf("step %s:%llu\n", actions[step.action].name, (unsigned long long)step.seed), fflush(stdout);
    auto start = std::chrono::steady_clock::now();
    actions[step.action].run(rng);
    actionTime[step.action] += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ++actionRuns[step.action];
    return ::testing::Test::HasFatalFailure() ? "setup: a file could not be written" : CheckModel();
}

// From a fresh start; stops at the first failing check.
std::optional<Failure> RunSteps(const std::vector<Step>& steps)
{
    FreshStart();
    for (size_t i = 0; i < steps.size(); ++i) {
        std::string check = RunStep(steps[i]);
        if (!check.empty())
            return Failure {i + 1, check};
    }
    std::string check = CheckLaunches();
    return check.empty() ? std::nullopt : std::optional<Failure>(Failure {steps.size(), check});
}

// Each step's row is picked by weight among those that may run now, with a
// seed of its own, so that it does the same alone or in another list.
std::vector<Step> Walk(uint64_t seed, int count, std::optional<Failure>* failure)
{
    Rng rng {seed};
    std::vector<Step> steps;
    FreshStart();
    for (int i = 0; i < count && !*failure; ++i) {
        int total = 0;
        for (const Action& action : actions)
            total += action.may() ? action.weight : 0;
        int pick = rng.Below(total), row = 0;
        while (!actions[row].may() || (pick -= actions[row].weight) >= 0)
            ++row;
        steps.push_back({row, rng.Next()});
        std::string check = RunStep(steps.back());
        if (!check.empty())
            *failure = Failure {steps.size(), check};
    }
    std::string check = *failure ? "" : CheckLaunches();
    if (!check.empty())
        *failure = Failure {steps.size(), check};
    return steps;
}

std::string Replay(const std::vector<Step>& steps)
{
    std::string text;
    for (const Step& step : steps)
        text += (text.empty() ? "" : ",") + std::string(actions[step.action].name) + ":" + std::to_string(step.seed);
    return text;
}

std::vector<Step> ParseReplay(const std::string& text)
{
    std::vector<Step> steps;
    for (size_t at = 0; at < text.size();) {
        size_t colon = text.find(':', at), end = std::min(text.find(',', at), text.size());
        std::string name = text.substr(at, colon - at);
        int action = 0;
        while (action < actionCount && name != actions[action].name)
            ++action;
        EXPECT_LT(action, actionCount) << "no action " << name;
        if (action < actionCount && colon < end)
            steps.push_back({action, std::stoull(text.substr(colon + 1, end - colon - 1))});
        at = end + 1;
    }
    return steps;
}

// Drops steps while the list still fails the same check, by halves down to
// one at a time, again while that dropped any, within a bounded time.
std::vector<Step> Shrink(std::vector<Step> steps, Failure* failure)
{
    auto kind = [](const std::string& check) { return check.substr(0, check.find(':')); };
    auto start = std::chrono::steady_clock::now();
    auto inTime = [&] { return std::chrono::steady_clock::now() - start < std::chrono::minutes(5); };
    for (bool dropped = true; dropped && inTime();) {
        dropped = false;
        for (size_t chunk = std::max<size_t>(1, steps.size() / 2); chunk >= 1 && inTime(); chunk /= 2) {
            for (size_t at = 0; at + chunk <= steps.size() && inTime();) {
                std::vector<Step> fewer(steps.begin(), steps.begin() + at);
                fewer.insert(fewer.end(), steps.begin() + at + chunk, steps.end());
                std::optional<Failure> again = RunSteps(fewer);
                if (again && kind(again->check) == kind(failure->check)) {
                    fewer.resize(again->steps);
                    steps = fewer;
                    *failure = *again;
                    dropped = true;
                } else {
                    at += chunk;
                }
            }
        }
    }
    if (!inTime())
        printf("model: shrinking stopped after 5 minutes\n");
    return steps;
}

TEST(ModelTest, RandomWalkAgreesWithTheModel)
{
    ASSERT_TRUE(PrepareProgram());
    workFolder = ProgramFile("model-files\\");
    CreateDirectoryA(workFolder.c_str(), NULL);
    openLog = workFolder + "opened.log";
    RecordOpenedFilesIn(openLog);
    const char* replay = getenv("TALLISK_MODEL_REPLAY");
    const char* seedText = getenv("TALLISK_MODEL_SEED");
    const char* countText = getenv("TALLISK_MODEL_ACTIONS");
    uint64_t seed = seedText ? std::stoull(seedText) : sizeof(void*) * 8;
    int count = countText ? std::stoi(countText) : 5000;

    auto start = std::chrono::steady_clock::now();
    std::optional<Failure> failure;
    std::vector<Step> steps = replay ? ParseReplay(replay) : Walk(seed, count, &failure);
    if (replay)
        failure = RunSteps(steps);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    printf("model: %zu actions in %.1f s (%.1f ms each), seed %llu\n", failure ? failure->steps : steps.size(),
        seconds, 1000 * seconds / std::max<size_t>(1, steps.size()), static_cast<unsigned long long>(seed));
    for (int i = 0; i < actionCount; ++i)
        printf("  %-12s %5d runs %6.1f ms each\n", actions[i].name, actionRuns[i], 1000 * actionTime[i] / std::max(1, actionRuns[i]));
    if (failure) {
        steps.resize(failure->steps);
        Failure shrunk = *failure;
        if (!replay)
            steps = Shrink(steps, &shrunk);
        ADD_FAILURE() << "after " << failure->steps << " steps: " << failure->check << "\nshrunk to "
                      << steps.size() << " steps: " << shrunk.check << "\nTALLISK_MODEL_REPLAY=" << Replay(steps);
    }
    DestroyMainWindow(dialog);
    SetCurrentDirectoryA(ProgramFile("").c_str());
    CleanFiles();
    RemovePath(workFolder);
}

}  // namespace
