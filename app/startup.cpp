#include "app/startup.h"

#include <cstdio>
#include <fstream>

#include "app/command_line.h"
#include "app/config.h"
#include "app/exchange_file.h"
#include "app/messages.h"
#include "document/zolt.h"

Zolt* zolt = nullptr;

bool existDat(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return in.is_open();
}

int defaultFile(std::string& fileName) {
  std::string home = GetHomeDir();
  for (const std::string& name : zoltconfig.defaultFiles) {
    fileName = (!name.empty() && name[0] == '~' && !home.empty()) ? home + name.substr(1) : name;
    if (existDat(fileName)) return 0;
    printf("%s does not exist\n", fileName.c_str());
  }
  return -1;
}

// Writes the master file; the journal files are removed only once the write succeeded,
// since until then they hold the only copy of the latest changes.
static int saveAll(const std::string& fileName) {
  int result = zolt->incsave_compact(fileName.c_str());
  printf("write to file: %i\n", result);
  if (result != 0) {
    fprintf(stderr, "Could not write the master data file %s; nothing was deleted\n",
            fileName.c_str());
  }
  return result;
}

// Loads the master file and the journal. 0, or -1 after telling the user why not.
static int loadDocument(const std::string& fileName) {
  if (zolt->readData(fileName.c_str()) != 0) {
    showMessage("Master data file corrupt. Read Documentation about data recovery.");
    return -1;
  }
  std::string errorText;
  int replayed = zolt->incsave_readFiles(errorText);
  if (replayed < 0) {
    showMessage("Incremental file corrupt:\n" + errorText +
                "\nRead Documentation about data recovery.");
    return -1;
  }
  // A failed compaction is not fatal: the journal stays and is replayed again next time.
  if (replayed == 1) saveAll(fileName);
  return 0;
}

static int shutDown(const std::string& fileName, const T_CommandLine& cl) {
  int status = 0;
  if (zolt->incsave_getNrOfFiles() != 0 || cl.saveAtExit || zolt->getKeys().IsChanged()) {
    if (saveAll(fileName) != 0) status = -1;
  }
  return status;
}

int zoltMain(int argc, const char* const* argv) {
  ReadConfigFile();
  std::string fileName;
  defaultFile(fileName);
  T_CommandLine cl;
  if (parseCommandLine(argc, argv, cl) != 0) return -1;
  if (!cl.fileName.empty()) fileName = cl.fileName;

  zolt = new Zolt();
  zolt->createRoot();
  int status = loadDocument(fileName);
  std::string exchangeFile;
  if (status == 0) {
    exchangeFile = createExchangeFile();
    if (exchangeFile.empty()) {
      showMessage("Unable to create temporary file");
      status = -1;
    }
  }
  // Until the main window exists, every run goes from loading straight to shutdown.
  if (status == 0) status = shutDown(fileName, cl);
  delete zolt;
  zolt = nullptr;
  if (!exchangeFile.empty()) remove(exchangeFile.c_str());
  return status;
}
