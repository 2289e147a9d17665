#include <QApplication>

int runViewGeometryTest(int argc, char** argv);
int runPageDocumentTest(int argc, char** argv);
int runImageViewTest(int argc, char** argv);
int runCorpusTest(int argc, char** argv);
int runBilevelShrinkTest(int argc, char** argv);
int runPagePrefetcherTest(int argc, char** argv);
int runThumbnailsTest(int argc, char** argv);

// One executable for the imaging tests; each class runs in turn.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    return runViewGeometryTest(argc, argv) | runPageDocumentTest(argc, argv) | runImageViewTest(argc, argv) |
           runCorpusTest(argc, argv) | runBilevelShrinkTest(argc, argv) | runPagePrefetcherTest(argc, argv) |
           runThumbnailsTest(argc, argv);
}
