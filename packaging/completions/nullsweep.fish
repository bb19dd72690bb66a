# fish completion for nullsweep
# SPDX-License-Identifier: GPL-3.0-or-later

set -l scan '__fish_seen_subcommand_from scan'
set -l restore '__fish_seen_subcommand_from restore'
set -l window 'not __fish_seen_subcommand_from scan restore'

complete -c nullsweep -f
complete -c nullsweep -n "$window" -s h -l help -d 'Show the help'
complete -c nullsweep -n "$window" -l version -d 'Show the version'
complete -c nullsweep -n __fish_use_subcommand -a scan -d 'Scan without a window'
complete -c nullsweep -n __fish_use_subcommand -a restore -d 'Recreate deleted empty files'
complete -c nullsweep -n "$window" -a '(__fish_complete_directories)'

complete -c nullsweep -n "$scan" -s f -l format -x -a 'paths text csv html xml xlsx json' -d 'Output format'
complete -c nullsweep -n "$scan" -s o -l output -r -F -d 'Write FILE instead of standard output'
complete -c nullsweep -n "$scan" -s 0 -l null -d 'End each path with NUL'
complete -c nullsweep -n "$scan" -s s -l sort -x -d 'Sort by a field' -a "'File Name' 'Full Path'
    'File Size' 'File Ext' 'File Type' 'Description' 'File Name Length' 'Path Name Length'
    'Size Percentage' 'Catalog Name' 'Create Time' 'Access Time' 'Write Time' 'DOS Name'
    'File Count' 'CreateAgeRange' 'AccessAgeRange' 'WriteAgeRange' 'SizeRange' none"
complete -c nullsweep -n "$scan" -s d -l descending -d 'Sort descending'
complete -c nullsweep -n "$scan" -s j -l threads -x -d 'List folders with N threads at once'
complete -c nullsweep -n "$scan" -s x -l one-file-system -d 'Stay on the file system of each folder'
complete -c nullsweep -n "$scan" -l exclude -x -d 'Skip files and folders whose name matches GLOB'
complete -c nullsweep -n "$scan" -l delete -d 'Delete each listed file'
complete -c nullsweep -n "$scan" -l trash -d 'Move each listed file to the trash'
complete -c nullsweep -n "$scan" -l include-kept -d 'Also remove kept files'
complete -c nullsweep -n "$scan" -l no-journal -d 'Keep no journal of the deleted files'
complete -c nullsweep -n "$scan" -l remove-emptied-folders -d 'Remove the folders the delete left empty'
complete -c nullsweep -n "$scan" -l keep -x -d 'Treat files whose name matches GLOB as kept'
complete -c nullsweep -n "$scan" -l config -r -F -d 'Read the columns from FILE'
complete -c nullsweep -n "$scan" -l files-from -r -F -d 'Take the files from FILE (- for standard input)'
complete -c nullsweep -n "$scan" -s q -l quiet -d 'No progress line'
complete -c nullsweep -n "$scan" -s h -l help -d 'Show the help'
complete -c nullsweep -n "$scan" -l version -d 'Show the version'
complete -c nullsweep -n "$scan" -a '(__fish_complete_directories)'

complete -c nullsweep -n "$restore" -l dry-run -d 'List what would be restored'
complete -c nullsweep -n "$restore" -l parents -d 'Make missing folders on the way'
complete -c nullsweep -n "$restore" -s h -l help -d 'Show the help'
complete -c nullsweep -n "$restore" -F
