#include "app/StoreDemoFixture.h"

#include <string>

namespace {

// 05/03/2024 14:07:09 and 31/12/2001 23:59:58 as file times.
const plat::FILETIME kCreated{1769892144, 31092486};
const plat::FILETIME kWritten{1077175408, 29463127};

void file(plat::store::TSimStore& store, const std::wstring& path, const std::string& data) {
    store.addFile(path, data);
    store.setTimes(path, kCreated, kCreated, kWritten);
}

} // namespace

void fillStoreDemo(plat::store::TSimStore& store) {
    store.addDrive(L'C', plat::DRIVE_FIXED, L"System", L"NTFS");
    store.addDrive(L'D', plat::DRIVE_FIXED, L"Data", L"NTFS");
    store.addDrive(L'F', plat::DRIVE_REMOVABLE, L"STICK", L"FAT32");
    store.addFolder(L"C:\\Windows\\System32");
    store.setWindowsDirectory(L"C:\\Windows");

    const std::string zone =
        "[ZoneTransfer]\r\nZoneId=3\r\nReferrerUrl=https://downloads.example.org/tools/\r\n"
        "HostUrl=https://downloads.example.org/tools/setup.exe\r\n";
    file(store, L"C:\\Users\\Public\\Downloads\\setup.exe", "MZ setup");
    store.addStream(L"C:\\Users\\Public\\Downloads\\setup.exe", L"Zone.Identifier", zone);
    file(store, L"C:\\Users\\Public\\Downloads\\readme.txt", "read me");
    store.addStream(L"C:\\Users\\Public\\Downloads\\readme.txt", L"Zone.Identifier",
                    "[ZoneTransfer]\r\nZoneId=3");

    file(store, L"C:\\Users\\Public\\Documents\\report.docx", std::string(48000, 'd'));
    store.addStream(L"C:\\Users\\Public\\Documents\\report.docx", L"summary", "Quarterly figures, draft 3");
    store.addStream(L"C:\\Users\\Public\\Documents\\report.docx", L"thumbnail",
                    std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    file(store, L"C:\\Users\\Public\\Documents\\budget.xlsx", std::string(12000, 'x'));

    file(store, L"D:\\Projects\\notes.txt", "project notes");
    store.addStream(L"D:\\Projects\\notes.txt", L"hidden", "This text does not show in the file manager.");
    file(store, L"D:\\Photos\\holiday.jpg", std::string(250000, 'j'));
    store.addStream(L"D:\\Photos\\holiday.jpg", L"exif",
                    std::string("\xFF\xE1\x00\x16"
                                "Exif\0\0MM",
                                12));
    store.addStream(L"D:\\Photos\\holiday.jpg", L"gps", "48.8584 N, 2.2945 E");
    file(store, L"D:\\Archive\\backup.zip", "PK");
    // A Windows program's headers parked behind an archive: the suspicious row of the demo.
    std::string program(0x100, '\0');
    program.replace(0, 2, "MZ");
    program[0x3C] = 0x40;
    program.replace(0x40, 8, std::string("PE\0\0\x4C\x01\x01\0", 8));
    program[0x56] = 0x02;
    program[0x58] = 0x0B;
    program[0x59] = 0x01;
    program[0x88] = 0x02;
    store.addStream(L"D:\\Archive\\backup.zip", L"payload", program);
    store.setDataSize(L"D:\\Archive\\backup.zip:payload", 3ull << 30);

    // Plain files, enough for the progress steps of 50 files to show.
    for (int i = 0; i < 400; ++i) {
        file(store, L"D:\\Projects\\src\\file" + std::to_wstring(1000 + i) + L".cpp", "int main() {}");
    }
    file(store, L"F:\\music.mp3", "ID3");
}
