//Maya ASCII 2020 scene
//Name: cube.ma
requires maya "2020";
currentUnit -l centimeter -a degree -t film;
createNode transform -n "pCube1";
createNode mesh -n "pCubeShape1" -p "pCube1";
	setAttr -k off ".v";
	setAttr -s 8 ".vt[0:7]"  -0.5 -0.5 0.5 0.5 -0.5 0.5 -0.5 0.5 0.5 0.5 0.5 0.5
		 -0.5 0.5 -0.5 0.5 0.5 -0.5 -0.5 -0.5 -0.5 0.5 -0.5 -0.5;
	setAttr -s 12 ".ed[0:11]"
		 0 1 0 2 3 0 4 5 0 6 7 0 0 2 0 1 3 0 2 4 0 3 5 0 4 6 0 5 7 0 0 6 0 1 7 0;
	setAttr -s 6 -ch 24 ".fc[0:5]" -type "polyFaces"
		f 4 0 5 -2 -5
		f 4 1 7 -3 -6
		f 4 2 9 -4 -8
		f 4 3 11 -1 -10
		f 4 -12 -10 -8 -6
		f 4 10 4 6 8 ;
  	setAttr ".cd" -type "dataPolyComponent" Index_Data Edge 0
		 ;
	setAttr ".cvd" -type "dataPolyComponent" Index_Data Vertex 0 ;
select -ne :time1;
	setAttr ".o" 1;
// End of cube.ma
