// Written by scripts/help_index.py from the manual's pages.
var manualText = [
{
"href": "access.html",
"page": "Access control",
"heading": "Access control",
"text": ""
},
{
"href": "access.html#php",
"page": "Access control",
"heading": "PHP sites",
"text": "When your hosting runs PHP, tick PHP in the profile's properties: the album is then one index.php page that can ask visitors to log in."
},
{
"href": "access.html#users",
"page": "Access control",
"heading": "Users and groups",
"text": "Users management keeps the users (a login and a password each) and the groups they belong to. Passwords are stored scrambled on your disk and published only as hashes."
},
{
"href": "access.html#rights",
"page": "Access control",
"heading": "Folder rights",
"text": "Access rights on a folder chooses who may see it: everybody, nobody, or the users and groups you tick. A visitor who is not allowed sees the login box instead of the photos. The rights are published with the next synchronisation."
},
{
"href": "command-line.html",
"page": "The command line",
"heading": "The command line",
"text": "albumsmith-cli runs the operations of the window without one, for scripts and servers. Every command prints what it does; the exit code is 0 on success, and on failure the last line on standard error says why. albumsmith-cli profile create Holiday --server ftp.example.org --login anna --password secret --remote-dir /album/ albumsmith-cli import Holiday Trips/ ~/Pictures/*.jpg albumsmith-cli sync Holiday albumsmith-cli version --check"
},
{
"href": "command-line.html#commands",
"page": "The command line",
"heading": "Commands",
"text": "profile list | create | show | set | rename | delete | copy : the profiles. folder list | add | rename | delete | move | before | after : the folder tree. import , list , derive , exif : photos and their derived images. site PROFILE --out DIR : the whole site written into a local folder. sync PROFILE [--folder PATH] : publishing; check PROFILE : trying the server. demo : a demo profile from the photos shipped with the program. version [--check [URL]] : the release, and whether a newer one exists."
},
{
"href": "command-line.html#questions",
"page": "The command line",
"heading": "Questions",
"text": "Questions are asked on the terminal. --yes answers them with OK / Yes, --no with Cancel / No; without a terminal and without either, every question is answered No and printed."
},
{
"href": "first-album.html",
"page": "Your first album",
"heading": "Your first album",
"text": ""
},
{
"href": "first-album.html#profile",
"page": "Your first album",
"heading": "A profile is an album",
"text": "Each web album is a profile : a folder on your disk holding your photos, the reduced images made from them and the settings of the album. At start the Profiles dialog opens; choose New to create a profile. The wizard asks for a name, then for the FTP server the album is published to (you can fill that in later)."
},
{
"href": "first-album.html#folders",
"page": "Your first album",
"heading": "Folders",
"text": "The folder tree on the left is the tree of your album. New folder , Rename folder , Move folder and the Before / After commands of the Folder menu shape it; the visitors see the same folders, in the same order."
},
{
"href": "first-album.html#import",
"page": "Your first album",
"heading": "Importing photos",
"text": "Select a folder and choose Import images , or drop JPEG files and folders on the window. Albumsmith copies them into the folder and makes a thumbnail, a medium image (800 × 600 at most) and an Exif page of each, in the background."
},
{
"href": "first-album.html#order",
"page": "Your first album",
"heading": "Order and comments",
"text": "The ordering selector of the tool bar sorts a folder by comment, date, file name or by the position you give the photos by dragging them. The detailed list shows the comment and the date of each photo; the comment is shown under the photo in the slide show."
},
{
"href": "first-album.html#preview",
"page": "Your first album",
"heading": "What visitors see",
"text": "The front page shows the album's folders as cards, each with the first photo of the folder and its number of photos, then the thumbnails of the folder itself. Clicking a thumbnail starts the slide show."
},
{
"href": "index.html",
"page": "Albumsmith manual",
"heading": "Albumsmith manual",
"text": "Albumsmith turns folders of JPEG photos into a web album and publishes it to your own web hosting over FTP, keeping the copy on the server in step with the one on your disk. Your first album : profiles, folders, importing photos, ordering and comments. Publishing : the FTP server, synchronising a folder or the whole album. Access control : PHP sites that show some folders only to chosen users and groups. The command line : albumsmith-cli , the same operations without windows. Index of the words of this manual, and a search over its text. Press F1 in the program to open this manual."
},
{
"href": "publishing.html",
"page": "Publishing",
"heading": "Publishing",
"text": ""
},
{
"href": "publishing.html#server",
"page": "Publishing",
"heading": "The FTP server",
"text": "In the profile's properties, the FTP server information tab holds the server name (with :port when it is not 21), the login, the password and the remote directory the album goes to. Check profile tries them: it logs in, opens the directory, writes a file and deletes it."
},
{
"href": "publishing.html#sync",
"page": "Publishing",
"heading": "Synchronising",
"text": "Synchronize folder publishes the selected folder; Synchronize profile the whole album. Albumsmith compares the server with your disk and only uploads what is new or changed, and removes from the server what you removed. The status bar shows the progress and ends with Ready . Stop synchronize stops a run at its next step."
},
{
"href": "publishing.html#preserve",
"page": "Publishing",
"heading": "Files kept on the server",
"text": "Files of your own in the album's directory on the server would be removed as unknown; list them on the Preserve tab to keep them."
},
{
"href": "publishing.html#demo",
"page": "Publishing",
"heading": "Trying it out",
"text": "./scripts/demo.sh publishes the demo album to an FTP server it starts on your own computer and shows the address where the published album can be seen."
}
];
