// A program that loads the main program's shared libraries and exits: the
// floor under the main program's own start and quit.
int main() {
    return 0;
}
